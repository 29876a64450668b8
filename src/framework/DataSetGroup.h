#pragma once

#include <string>
#include <vector>

struct TableSnapshot;

// Tables that belong together, each with its file, saved as one: after a save killed at any point
// the next RecoverTables leaves every file old or every file new.
//
// A save writes each table complete to "<file>.tmp", then the journal (its commit point), renames
// each temporary file into place and removes the journal. RecoverTables completes the renames of
// a save whose journal is there and removes the temporary files of one whose journal is not.
struct TableFile
{
    const TableSnapshot* table;
    std::string path;
};

// Saves the tables, first completing or undoing what an earlier save left. Mode 0600. Throws
// DataSetFileError; a failure before the journal leaves every file as it was.
void SaveTablesTogether(const std::vector<TableFile>& tables, const std::string& journal);

// Completes or undoes what a killed SaveTablesTogether left over these files. Throws
// DataSetFileError when a file cannot be renamed or removed.
void RecoverTables(const std::vector<std::string>& paths, const std::string& journal);

// The file that holds path's table now, for a reader that may not recover: the temporary file of
// a committed save that has not been put in place yet, otherwise path itself.
std::string CommittedFile(const std::string& path, const std::string& journal);
