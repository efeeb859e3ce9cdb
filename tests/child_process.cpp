#include "tests/child_process.h"

namespace vemra::test {

ChildResult RunChild(const std::string& program, const std::vector<std::string>& args, const Environment& env,
                     const std::string& outBase) {
    CChild child;
    if (!child.Start(program, args, env, outBase)) return {};
    return child.Wait();
}

}  // namespace vemra::test
