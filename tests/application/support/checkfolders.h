#pragma once
// Delivered diskettes of known content for the tests of `korim --check`:
// each made by the program's own engine as a diskette holds it (the four
// delivered tables only), one for each kind of finding. The window tests
// open the same folders to show the two agree.

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

namespace korim::test {

// A folder and what the check must say of it.
struct CheckCase {
    QString name;                                  // also the folder's name
    std::function<void(const QString &dir)> make;  // fills dir, which exists
    QStringList lines; // each output line after "FOLDER: "
    QStringList csv;   // the CSV fields after the folder's
};

// Every case, in a fixed order.
QList<CheckCase> checkCases();

// Makes every case as a folder of parent named after it; returns the paths
// in the order of checkCases().
QStringList makeCheckFolders(const QString &parent);

// What a data folder has that a diskette does not (the two other catalogues
// and the considerations), added so the window can open a diskette's folder.
void addWindowFiles(const QString &folder);

} // namespace korim::test
