#pragma once
// What the program requires of each of its table files beyond what the
// engine itself checks, shared by the start-up check and the diskette check.

#include <QString>

namespace korim::data {
class DbfError;
class DbfTable;
} // namespace korim::data

namespace korim::application {

// Empty when the table at path (which the engine has read) can be used: it
// has the fields up to the last position the program addresses, the named
// fields where they must stand, a catalogue holds a record and the sales
// table three rows of each kind. Else one Spanish sentence naming the file.
// A file that is none of the program's tables has nothing to meet.
QString tableProblem(const QString &path, const data::DbfTable &table);

// The engine's refusal of the file at path, as one sentence naming the file.
QString engineProblem(const QString &path, const data::DbfError &error);

} // namespace korim::application
