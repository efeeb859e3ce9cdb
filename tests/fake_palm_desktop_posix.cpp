#include "tests/fake_palm_desktop.h"

namespace vemra::test {

struct CFakePalmDesktop::State {};

CFakePalmDesktop::CFakePalmDesktop() = default;
CFakePalmDesktop::~CFakePalmDesktop() = default;
bool CFakePalmDesktop::Start(std::intptr_t) { return false; }
std::vector<CFakePalmDesktop::Message> CFakePalmDesktop::Received() const { return {}; }

}  // namespace vemra::test
