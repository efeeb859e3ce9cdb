// The application object, the users and datebook collections.
#include <climits>

#include "automation/automation.h"
#include "palm/user_data.h"
#include "platform/message_box.h"
#include "platform/string_table.h"
#include "res/string_ids.h"
#include "settings/profile.h"
#include "settings/settings.h"

namespace {

constexpr uint32_t kDatebookCreator = 0x64617465;   // 'date'

[[noreturn]] void InvalidIndex() { throw CAutoException{113, vemra::LoadResString(IDS_INVALID_INDEX)}; }

template <class T>
T& Self(CAutoObject& object) {
    return static_cast<T&>(object);
}

const CAutoMember kApplicationMembers[] = {
    {"users", AutoKind::property, AutoType::object, AutoType::none,
     [](CAutoObject& o, const CAutoVariant&) { return CAutoVariant::Object(Self<CVEMRADlgAutoProxy>(o).GetUsers()); },
     nullptr},
    {"archive", AutoKind::method, AutoType::object, AutoType::text,
     [](CAutoObject&, const CAutoVariant& path) { return CAutoVariant::Object(CVEMRADlgAutoProxy::OpenArchive(path.text)); },
     nullptr},
};

const CAutoMember kUsersMembers[] = {
    {"count", AutoKind::property, AutoType::i4, AutoType::none,
     [](CAutoObject&, const CAutoVariant&) { return CAutoVariant::Int(UserCount()); }, nullptr},
    {"item", AutoKind::property, AutoType::object, AutoType::i4,
     [](CAutoObject&, const CAutoVariant& index) {
         // The library takes a 16-bit index: a larger one must not wrap round to a user.
         if (index.n < 1 || index.n - 1 > SHRT_MAX) InvalidIndex();
         uint32_t id = 0;
         if (UserIdAt(static_cast<short>(index.n - 1), &id) <= 0) InvalidIndex();
         return CAutoVariant::Object(std::make_shared<CAutoUser>(id));
     },
     nullptr},
};

const CAutoMember kUserMembers[] = {
    {"name", AutoKind::property, AutoType::text, AutoType::none,
     [](CAutoObject& o, const CAutoVariant&) { return CAutoVariant::Text(Self<CAutoUser>(o).GetName()); }, nullptr},
    {"datebook", AutoKind::property, AutoType::object, AutoType::none,
     [](CAutoObject& o, const CAutoVariant&) { return CAutoVariant::Object(Self<CAutoUser>(o).GetDatebook()); },
     nullptr},
};

const CAutoMember kDatebookMembers[] = {
    {"entries", AutoKind::property, AutoType::object, AutoType::none,
     [](CAutoObject& o, const CAutoVariant&) { return CAutoVariant::Object(Self<CAutoDatebook>(o).GetEntries()); },
     nullptr},
};

const CAutoMember kEntriesMembers[] = {
    {"count", AutoKind::property, AutoType::i4, AutoType::none,
     [](CAutoObject& o, const CAutoVariant&) {
         return CAutoVariant::Int(static_cast<int32_t>(Self<CAutoDatebookEntries>(o).Table()->GetRecordCount()));
     },
     nullptr},
    {"item", AutoKind::property, AutoType::object, AutoType::i4,
     [](CAutoObject& o, const CAutoVariant& index) {
         CDateBkTable& table = *Self<CAutoDatebookEntries>(o).Table();
         CDateBkIterator iterator(table);
         iterator.SortByStartDate();
         CDateBkRecord found(table, 1);
         if (iterator.GetAt(found, index.n) != 0) InvalidIndex();
         // A copy of its own: a later "entries" reloads the table under the collection.
         auto copy = std::make_shared<CEntryRecord>();
         if (copy->table.AppendDuplicateRecord(found, copy->record, 1) != 0) InvalidIndex();
         return CAutoVariant::Object(std::make_shared<CAutoDatebookEntry>(std::move(copy)));
     },
     nullptr},
};

}  // namespace

CVEMRADlgAutoProxy::CVEMRADlgAutoProxy() : m_pUsers(std::make_shared<CAutoUsers>()) {}

std::span<const CAutoMember> CVEMRADlgAutoProxy::Members() const { return kApplicationMembers; }

std::shared_ptr<CAutoUsers> CVEMRADlgAutoProxy::GetUsers() {
    // A server started by COM has set up nothing of this at start.
    vemra::SetProfileRoot("Quelbarsk");
    vemra::CMessageBoxReporter reporter;
    CSettings settings(&reporter);
    settings.Load();
    return m_pUsers;
}

std::shared_ptr<CAutoDatebook> CVEMRADlgAutoProxy::OpenArchive(const std::string& path) {
    // A script is told at once why a file is of no use, rather than finding no entries.
    CDateBkTable table;
    if (table.OpenFrom(path, 0) != 0) throw CAutoException{104, table.GetLastErrorText()};
    auto datebook = std::make_shared<CAutoDatebook>();
    datebook->SetPath(path);
    return datebook;
}

std::span<const CAutoMember> CAutoUsers::Members() const { return kUsersMembers; }

CAutoUser::CAutoUser(uint32_t userId) : m_pDatebook(std::make_shared<CAutoDatebook>()), m_dwUserId(userId) {}

std::span<const CAutoMember> CAutoUser::Members() const { return kUserMembers; }

std::string CAutoUser::GetName() const {
    std::string name;
    UserName(m_dwUserId, name);
    return name;
}

std::shared_ptr<CAutoDatebook> CAutoUser::GetDatebook() {
    // No message here, and no -d file: the path of this user's own datebook.
    std::string desktop, user;
    DesktopDirectory(desktop);
    if (UserDirectory(m_dwUserId, user) <= 0) user.clear();
    m_pDatebook->SetPath(desktop + user + CSettings::GetComponentPath(kDatebookCreator, "\\datebook\\datebook.dat"));
    return m_pDatebook;
}

CAutoDatebook::CAutoDatebook()
    : m_pEntries(std::make_shared<CAutoDatebookEntries>()), m_pTable(std::make_shared<CDateBkTable>()) {
    m_pEntries->SetTable(m_pTable);
}

std::span<const CAutoMember> CAutoDatebook::Members() const { return kDatebookMembers; }

std::shared_ptr<CAutoDatebookEntries> CAutoDatebook::GetEntries() {
    // The result is not examined: a file that cannot be read leaves an empty table.
    m_pTable->OpenFrom(m_strPath, 0);
    m_pEntries->SetTable(m_pTable);
    return m_pEntries;
}

std::span<const CAutoMember> CAutoDatebookEntries::Members() const { return kEntriesMembers; }
