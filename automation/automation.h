#pragma once
// The object model of VEMRA.Application:
//   application "users" -> users "item"(1..count) -> user "datebook" -> datebook "entries"
//   -> entries "item"(0..count-1) -> entry (every field) -> "exceptions";
//   application "archive"(path) -> datebook, as above.
//
// Lifetimes: an object handed out holds what it reads from, so a script may release a parent
// and go on using a child. The users collection is part of the application object, a datebook
// part of its user, the entries collection part of its datebook (the same object on every
// read). Each entry is an independent copy of one record in a table of its own; its exception
// collections share that copy. Nothing here ever writes a datebook file.

#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "automation/auto_object.h"
#include "palm/datebook.h"

class CAutoUsers;
class CAutoDatebook;
class CAutoDatebookEntries;

// The application object (the one class scripts create).
class CVEMRADlgAutoProxy : public CAutoObject {
public:
    CVEMRADlgAutoProxy();
    const char* ClassName() const override { return "Application"; }
    std::span<const CAutoMember> Members() const override;

    // Loads the settings as an interactive start does (profile root, Palm Desktop check,
    // toolbar entry), then hands out the contained collection.
    std::shared_ptr<CAutoUsers> GetUsers();
    // "archive(path)": a datebook object for any datebook file, a Date Book Archive above all;
    // a file that cannot be read raises 104 with the reason.
    static std::shared_ptr<CAutoDatebook> OpenArchive(const std::string& path);

private:
    std::shared_ptr<CAutoUsers> m_pUsers;
};

class CAutoUsers : public CAutoObject {
public:
    const char* ClassName() const override { return "Users"; }
    std::span<const CAutoMember> Members() const override;
};

class CAutoUser : public CAutoObject {
public:
    explicit CAutoUser(uint32_t userId);
    const char* ClassName() const override { return "User"; }
    std::span<const CAutoMember> Members() const override;

    std::string GetName() const;
    // The datebook path is composed anew for this user on every read.
    std::shared_ptr<CAutoDatebook> GetDatebook();

private:
    std::shared_ptr<CAutoDatebook> m_pDatebook;
    uint32_t m_dwUserId;
};

class CAutoDatebook : public CAutoObject {
public:
    CAutoDatebook();
    const char* ClassName() const override { return "Datebook"; }
    std::span<const CAutoMember> Members() const override;

    void SetPath(const std::string& path) { m_strPath = path; }
    const std::string& GetPath() const { return m_strPath; }
    // (Re)opens the table from the file; a file that cannot be read leaves the table empty.
    std::shared_ptr<CAutoDatebookEntries> GetEntries();

private:
    std::string m_strPath;
    std::shared_ptr<CAutoDatebookEntries> m_pEntries;
    std::shared_ptr<CDateBkTable> m_pTable;
};

class CAutoDatebookEntries : public CAutoObject {
public:
    const char* ClassName() const override { return "DatebookEntries"; }
    std::span<const CAutoMember> Members() const override;
    void SetTable(std::shared_ptr<CDateBkTable> table) { m_pTable = std::move(table); }
    CDateBkTable* Table() const { return m_pTable.get(); }

private:
    std::shared_ptr<CDateBkTable> m_pTable;
};

// One record copied out of a datebook table, in a table of its own that is never saved.
struct CEntryRecord {
    CDateBkTable table;
    CDateBkRecord record{table, 1};
};

class CAutoDatebookEntry : public CAutoObject {
public:
    explicit CAutoDatebookEntry(std::shared_ptr<CEntryRecord> record) : m_pRecord(std::move(record)) {}
    const char* ClassName() const override { return "DatebookEntry"; }
    std::span<const CAutoMember> Members() const override;
    CDateBkRecord& Record() { return m_pRecord->record; }
    const std::shared_ptr<CEntryRecord>& Shared() const { return m_pRecord; }

private:
    std::shared_ptr<CEntryRecord> m_pRecord;
};

class CAutoRepeatExceptions : public CAutoObject {
public:
    explicit CAutoRepeatExceptions(std::shared_ptr<CEntryRecord> record) : m_pRecord(std::move(record)) {}
    const char* ClassName() const override { return "RepeatExceptions"; }
    std::span<const CAutoMember> Members() const override;
    CDateBkRecord& Record() { return m_pRecord->record; }

private:
    std::shared_ptr<CEntryRecord> m_pRecord;
};
