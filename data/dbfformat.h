#pragma once
// Engine internals shared by the table, the scanner and the code-page code.

#include "data/dbf.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <cstdint>
#include <vector>

namespace korim::data {

// Decodes length bytes into *out (resized, its buffer reused).
void decodeTextInto(const char *bytes, int length, CodePage page, QString *out);
// Index of the first UTF-16 unit Windows-1252 cannot hold, or -1.
int firstUnrepresentable(const QString &text);
// "«x» (U+XXXX)" for the character at index (whole surrogate pairs).
QString describeCharacter(const QString &text, int index);

constexpr std::uint8_t kVersion = 0x03;
constexpr std::uint8_t kVersionWithMemo = 0x83;
constexpr std::uint8_t kLanguage1252 = 0x03;
constexpr char kHeaderEnd = 0x0D;
constexpr char kFileEnd = 0x1A;
constexpr char kLive = ' ';
constexpr char kDeleted = '*';

// What the checks at open found in a file image.
struct Layout {
    QList<FieldDef> fields;
    CodePage codePage = CodePage::Windows1252;
    std::uint8_t languageByte = kLanguage1252;
    int headerLength = 0;
    int recordLength = 0;
    std::vector<qint64> liveOffsets; // offset in the image of each live record
    bool hasDeleted = false;
};

// Validates the image of a table file; throws DbfError naming fileName (the
// file's name shown in messages) and carrying path.
Layout parseLayout(const QByteArray &image, const QString &path, const QString &fileName);

// Checks field definitions for writing and fills their offsets; returns the
// record length (deletion flag included).
int prepareFields(QList<FieldDef> *fields, const QString &path);

// Header (with its 0x0D) for a table written today.
QByteArray buildHeader(const QList<FieldDef> &fields, int recordLength, std::uint32_t count);
// Bytes 1..3 of a header written today.
QByteArray todayDateBytes();

} // namespace korim::data
