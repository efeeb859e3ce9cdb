#include "platform/registry.h"

#include <cerrno>
#include <fcntl.h>
#include <functional>
#include <sys/file.h>
#include <unistd.h>

#include "platform/directory.h"
#include "platform/file.h"
#include "platform/reporter.h"
#include "platform/process.h"
#include "platform/string_table.h"
#include "platform/text.h"
#include "res/string_ids.h"

namespace vemra {

// A key is remembered by its path and looked up again in the file for every operation, so
// that another process's changes are seen and a deleted key stops working.
struct CRegistryKey::Impl {
    std::string path;   // full path, root first
    bool writable = false;
};

namespace {

std::string RootName(RegistryRoot root) {
    return root == RegistryRoot::localMachine ? "HKEY_LOCAL_MACHINE" : "HKEY_CURRENT_USER";
}

std::string Join(const std::string& parent, const std::string& sub) {
    if (sub.empty()) return parent;
    return parent + "\\" + sub;
}

// Loads the file; false (after one message per file) when it cannot be read or understood.
bool LoadTree(CRegistryTree& tree) {
    static std::string reported;
    const std::string path = RegistryFilePath();
    if (path.empty()) return false;
    std::string text, error;
    if (!FileExists(path)) {
        tree.Parse("", error);
    } else if (!ReadWholeFile(path, text, &error) || !tree.Parse(text, error)) {
        if (reported != path) {
            reported = path;
            ReportPlatformProblem(
                FormatText(LoadResString(IDS_SETTINGS_FILE_DAMAGED).c_str(), path.c_str(), error.c_str()));
        }
        return false;
    }
    // The roots exist even in an empty registry.
    tree.Create(RootName(RegistryRoot::currentUser));
    tree.Create(RootName(RegistryRoot::localMachine));
    return true;
}

// Held across the load, change and save of the file, so that two runs changing settings at the
// same time never lose each other's values: a lock file beside the registry file (the file itself
// is replaced by every save, so it cannot carry the lock).
class CRegistryFileLock {
public:
    explicit CRegistryFileLock(const std::string& path) {
        m_fd = ::open((NativePath(path) + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (m_fd < 0) return;   // a folder that cannot be written cannot be saved to either
        while (::flock(m_fd, LOCK_EX) != 0 && errno == EINTR) {
        }
    }
    ~CRegistryFileLock() {
        if (m_fd >= 0) ::close(m_fd);
    }
    CRegistryFileLock(const CRegistryFileLock&) = delete;
    CRegistryFileLock& operator=(const CRegistryFileLock&) = delete;

private:
    int m_fd = -1;
};

// Loads the tree, lets change alter it, and saves it when change says so; all under the lock.
// change returns false on failure, and clears save when nothing needs writing.
bool ChangeTree(const std::function<bool(CRegistryTree&, bool& save)>& change) {
    const std::string path = RegistryFilePath();
    if (path.empty()) return false;
    const std::size_t slash = path.find_last_of("\\/");
    if (slash != std::string::npos && slash > 0) CreateDirectories(path.substr(0, slash));
    CRegistryFileLock lock(path);
    CRegistryTree tree;
    bool save = true;
    if (!LoadTree(tree) || !change(tree, save)) return false;
    return !save || SaveFileAtomically(path, tree.Serialize(), false);
}

}  // namespace

std::string RegistryFilePath() {
    std::string path = GetEnv("VEMRA_REGISTRY");
    if (!path.empty()) return path;
    std::string config = GetEnv("XDG_CONFIG_HOME");
    if (config.empty()) {
        const std::string home = GetEnv("HOME");
        if (home.empty()) return "";
        config = home + "/.config";
    }
    return config + "/vemra/registry.reg";
}

CRegistryKey::CRegistryKey() = default;
CRegistryKey::~CRegistryKey() = default;
CRegistryKey::CRegistryKey(CRegistryKey&& other) noexcept = default;
CRegistryKey& CRegistryKey::operator=(CRegistryKey&& other) noexcept = default;

namespace {
bool OpenPath(const std::string& path, bool writable, std::unique_ptr<CRegistryKey::Impl>& impl) {
    CRegistryTree tree;
    if (!LoadTree(tree) || !tree.Find(path)) return false;
    impl = std::make_unique<CRegistryKey::Impl>();
    impl->path = path;
    impl->writable = writable;
    return true;
}

bool CreatePath(const std::string& path, std::unique_ptr<CRegistryKey::Impl>& impl) {
    const bool ok = ChangeTree([&path](CRegistryTree& tree, bool& save) {
        save = !tree.Find(path);
        return !save || tree.Create(path);
    });
    if (!ok) return false;
    impl = std::make_unique<CRegistryKey::Impl>();
    impl->path = path;
    impl->writable = true;
    return true;
}
}  // namespace

bool CRegistryKey::Open(RegistryRoot root, const std::string& path, RegistryAccess access) {
    Close();
    return OpenPath(Join(RootName(root), path), access == RegistryAccess::readWrite, m_impl);
}

bool CRegistryKey::Open(const CRegistryKey& parent, const std::string& subKey, RegistryAccess access) {
    if (&parent == this || !parent.IsOpen()) return false;
    const std::string path = Join(parent.m_impl->path, subKey);
    Close();
    return OpenPath(path, access == RegistryAccess::readWrite, m_impl);
}

bool CRegistryKey::Create(RegistryRoot root, const std::string& path) {
    Close();
    return CreatePath(Join(RootName(root), path), m_impl);
}

bool CRegistryKey::Create(const CRegistryKey& parent, const std::string& subKey) {
    if (&parent == this || !parent.IsOpen() || !parent.m_impl->writable) return false;
    const std::string path = Join(parent.m_impl->path, subKey);
    Close();
    return CreatePath(path, m_impl);
}

void CRegistryKey::Close() { m_impl.reset(); }

bool CRegistryKey::IsOpen() const { return m_impl != nullptr; }

bool CRegistryKey::EnumSubKey(unsigned index, std::string& name) const {
    if (!IsOpen()) return false;
    CRegistryTree tree;
    if (!LoadTree(tree)) return false;
    const CRegistryTree::Key* key = tree.Find(m_impl->path);
    if (!key || index >= key->children.size()) return false;
    name = key->children[index]->name;
    return true;
}

bool CRegistryKey::QueryValue(const std::string& name, uint32_t& type, std::string& data) const {
    if (!IsOpen()) return false;
    CRegistryTree tree;
    if (!LoadTree(tree)) return false;
    const CRegistryTree::Key* key = tree.Find(m_impl->path);
    const CRegistryTree::Value* value = key ? key->FindValue(name) : nullptr;
    if (!value) return false;
    type = value->type;
    data = value->data;
    return true;
}

bool CRegistryKey::SetValue(const std::string& name, uint32_t type, std::string_view data) {
    if (!IsOpen() || !m_impl->writable) return false;
    return ChangeTree([&](CRegistryTree& tree, bool&) {
        CRegistryTree::Key* key = tree.Find(m_impl->path);
        if (key) key->SetValue(name, type, std::string(data));
        return key != nullptr;
    });
}

bool CRegistryKey::DeleteValue(const std::string& name) {
    if (!IsOpen() || !m_impl->writable) return false;
    return ChangeTree([&](CRegistryTree& tree, bool&) {
        CRegistryTree::Key* key = tree.Find(m_impl->path);
        return key && key->RemoveValue(name);
    });
}

bool CRegistryKey::DeleteSubKey(const std::string& subKey) {
    if (!IsOpen() || !m_impl->writable || subKey.empty()) return false;
    return ChangeTree([&](CRegistryTree& tree, bool&) {
        return tree.Find(m_impl->path) && tree.Remove(Join(m_impl->path, subKey));
    });
}

}  // namespace vemra
