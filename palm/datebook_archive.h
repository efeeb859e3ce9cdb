#pragma once
// Date Book Archives (.dba): the datebook layout under another name, which every Palm Desktop
// from 3.x to 6 saves and takes in (File > Export / Import, type "Date Book Archive").

#include <string>

class CDateBkTable;

// Creates an empty archive at path: the header a Palm Desktop writes (the file's name, the
// datebook's fields, no category but "Unfiled") and no record. An existing file is never
// replaced. Non-zero on failure, with the reason in error.
long CreateEmptyDatebook(const std::string& path, std::string& error);

// Opens the datebook an import goes into: an archive (.dba) or a handheld datebook (.pdb, made
// as the handheld makes a new one) that does not exist yet is created empty first (table must
// be newly made, as it is what is written). Otherwise, and for other names, exactly
// CDateBkTable::OpenFrom: an existing file's layout is told by its content, not its name.
long OpenDatebookForImport(CDateBkTable& table, const std::string& path);
