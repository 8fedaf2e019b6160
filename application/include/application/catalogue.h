#pragma once

#include <QList>
#include <QString>

namespace korim::application {

// One entry of a catalogue list: the text shown and the key it stands for
// (the catalogue code; for activities the record's sequence number).
struct Entry {
    QString text;
    qlonglong key = 0;
};
using Catalogue = QList<Entry>;

} // namespace korim::application
