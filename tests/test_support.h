#pragma once
// Small helpers shared by the tests: a scratch folder per test, file contents.

#include <string>

namespace vemra::test {

// A fresh, empty folder for one test (removed by the destructor).
class ScratchDir {
public:
    ScratchDir();
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;
    const std::string& Path() const { return m_path; }
    // path + separator + name, in the platform's own form.
    std::string File(const std::string& name) const;

private:
    std::string m_path;
};

std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::string& data);
std::string DataFile(const std::string& name);   // tests/data/<name>

}  // namespace vemra::test
