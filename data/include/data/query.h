#pragma once
// Record sources: plain table names and the few query texts the program sets.

#include <QString>
#include <optional>

namespace korim::data {

struct RecordSource {
    QString table;                  // as written, e.g. "ventas"
    struct Filter {
        QString field;              // as written, e.g. "tipo"
        double value = 0;
    };
    std::optional<Filter> filter;   // "where F = N"
};

// Accepts "T", "select * from T" and "select * from T where F = N" (blanks
// around "=" optional, trailing blanks allowed), without regard to case.
// Anything else throws DbfError whose message names the text.
RecordSource parseRecordSource(const QString &text);

} // namespace korim::data
