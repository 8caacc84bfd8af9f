// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
#include "vyrconfig.h"

#include <QByteArray>
#include <QDataStream>
#include <QFile>
#include <QRegularExpression>
#include <QSettings>
#include <QStringList>

namespace {

// One integer setting: its store name, its section and where it lives in the record.
struct IntSetting
{
    const char *m_name;
    const char *m_section;
    int m_default;
    qint32 VYRConfig::*m_pField;
};

// The fifteen integers in declaration (and archive) order. MatteColor is handled beside
// them because it is unsigned; it sits between BottomPadding and ShowFileName.
const IntSetting kLeadingInts[] = {
    {"HorzSpacing", VYRConfig::kSectionMain, VYRConfig::kDefaultSpacing, &VYRConfig::HorzSpacing},
    {"VertSpacing", VYRConfig::kSectionMain, VYRConfig::kDefaultSpacing, &VYRConfig::VertSpacing},
    {"LeftMargin", VYRConfig::kSectionMain, VYRConfig::kDefaultMargin, &VYRConfig::LeftMargin},
    {"TopMargin", VYRConfig::kSectionMain, VYRConfig::kDefaultMargin, &VYRConfig::TopMargin},
    {"RightMargin", VYRConfig::kSectionMain, VYRConfig::kDefaultMargin, &VYRConfig::RightMargin},
    {"BottomMargin", VYRConfig::kSectionMain, VYRConfig::kDefaultMargin, &VYRConfig::BottomMargin},
    {"LeftPadding", VYRConfig::kSectionMain, VYRConfig::kDefaultPadding, &VYRConfig::LeftPadding},
    {"TopPadding", VYRConfig::kSectionMain, VYRConfig::kDefaultPadding, &VYRConfig::TopPadding},
    {"RightPadding", VYRConfig::kSectionMain, VYRConfig::kDefaultPadding, &VYRConfig::RightPadding},
    {"BottomPadding", VYRConfig::kSectionMain, VYRConfig::kDefaultPadding,
     &VYRConfig::BottomPadding},
};
const char kMatteColor[] = "MatteColor";
const IntSetting kTrailingInts[] = {
    {"ShowFileName", VYRConfig::kSectionMain, 1, &VYRConfig::ShowFileName},
    {"IncludeSubDirs", VYRConfig::kSectionMain, 0, &VYRConfig::IncludeSubDirs},
    {"Inplace", VYRConfig::kSectionMain, 1, &VYRConfig::Inplace},
    {"ThumbSize", VYRConfig::kSectionMain, 1, &VYRConfig::ThumbSize},
};

// The strings; note that DestPath sits in the main section, not beside RootPath.
struct StringSetting
{
    const char *m_name;
    const char *m_section;
    const char *m_default;
    QString VYRConfig::*m_pField;
};
const StringSetting kStrings[] = {
    {"Filter", VYRConfig::kSectionPaths, VYRConfig::kDefaultFilter, &VYRConfig::Filter},
    {"RootPath", VYRConfig::kSectionPaths, "", &VYRConfig::RootPath},
    {"DestPath", VYRConfig::kSectionMain, "", &VYRConfig::DestPath},
};

QString Key(const char *in_section, const char *in_name)
{
    return QString::fromLatin1(in_section) + QLatin1Char('/') + QLatin1String(in_name);
}

// The store gives integers back as text on most platforms: anything that does not parse
// as a number reads as the default, as a value of the wrong type would.
qint64 ReadInteger(QSettings &in_store, const QString &in_key, qint64 in_default)
{
    const QVariant value = in_store.value(in_key);
    if (!value.isValid())
        return in_default;
    bool ok = false;
    const qint64 number = value.toString().trimmed().toLongLong(&ok);
    return ok ? number : in_default;
}

// The patterns of a filter joined by ";", the separator the thumbnail walk splits on; ","
// separates them as well, and blanks around a pattern are dropped.
QString JoinPatterns(const QString &in_text)
{
    static const QRegularExpression separators(QStringLiteral("[;,]"));
    QStringList patterns;
    for (const QString &part : in_text.split(separators)) {
        const QString pattern = part.trimmed();
        if (!pattern.isEmpty())
            patterns << pattern;
    }
    return patterns.join(QLatin1Char(';'));
}

// The text after "in_name=" in section in_section of an INI file, as written, when it is not
// quoted; a null string otherwise (no such line, a quoted value, no readable file).
QString UnquotedIniValue(const QString &in_fileName, const char *in_section, const char *in_name)
{
    QFile file(in_fileName);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return QString();
    const QString header = QLatin1Char('[') + QLatin1String(in_section) + QLatin1Char(']');
    bool inSection = false;
    QString value;
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        if (line.startsWith(QLatin1Char('['))) {
            inSection = line == header;
            continue;
        }
        const int equals = line.indexOf(QLatin1Char('='));
        if (!inSection || equals < 0 || line.left(equals).trimmed() != QLatin1String(in_name))
            continue;
        value = line.mid(equals + 1).trimmed(); // the last one wins, as for the store itself
    }
    return value.startsWith(QLatin1Char('"')) ? QString() : value;
}

// The file pattern is the one value users edit by hand. Written "*.jpg;*.jpeg" without quotes,
// the INI format takes ";" for the start of a comment and gives "*.jpg"; written "*.jpg,*.jpeg"
// it gives a list, which reads as empty text. Both mean the patterns as written.
QString ReadFilter(QSettings &in_store, const QString &in_key, const QString &in_default)
{
    const QVariant value = in_store.value(in_key);
    if (!value.isValid())
        return in_default;
    const QString stored = value.typeId() == QMetaType::QStringList
                               ? value.toStringList().join(QLatin1Char(';'))
                               : value.toString();
    bool iniFile = in_store.format() == QSettings::IniFormat;
    iniFile = iniFile || in_store.format() == QSettings::NativeFormat;
    if (iniFile) {
        const QString written =
            UnquotedIniValue(in_store.fileName(), VYRConfig::kSectionPaths, "Filter");
        // Only when the file says what the store read up to the comment: a value set but
        // not yet written to the file comes from the store.
        const int comment = written.indexOf(QLatin1Char(';'));
        if (comment >= 0 && JoinPatterns(written.left(comment)) == JoinPatterns(stored))
            return JoinPatterns(written);
    }
    return JoinPatterns(stored);
}

qint32 ToInt32(qint64 in_value, qint32 in_default)
{
    return (in_value < INT32_MIN || in_value > INT32_MAX) ? in_default : qint32(in_value);
}

} // namespace

VYRConfig::VYRConfig()
    : HorzSpacing(kDefaultSpacing), VertSpacing(kDefaultSpacing), LeftMargin(kDefaultMargin),
      TopMargin(kDefaultMargin), RightMargin(kDefaultMargin), BottomMargin(kDefaultMargin),
      LeftPadding(kDefaultPadding), TopPadding(kDefaultPadding), RightPadding(kDefaultPadding),
      BottomPadding(kDefaultPadding), MatteColor(0), ShowFileName(1), IncludeSubDirs(0), Inplace(1),
      ThumbSize(1)
{
}

void VYRConfig::Load(QSettings &in_store)
{
    for (const IntSetting &s : kLeadingInts)
        this->*s.m_pField =
            ToInt32(ReadInteger(in_store, Key(s.m_section, s.m_name), s.m_default), s.m_default);
    // A colour is a DWORD: accept the whole unsigned range, and a negative number as its
    // two's complement (how a signed reader would have written it).
    const qint64 matte = ReadInteger(in_store, Key(kSectionMain, kMatteColor), 0);
    MatteColor = (matte < INT32_MIN || matte > UINT32_MAX) ? 0u : quint32(matte);
    for (const IntSetting &s : kTrailingInts)
        this->*s.m_pField =
            ToInt32(ReadInteger(in_store, Key(s.m_section, s.m_name), s.m_default), s.m_default);
    for (const StringSetting &s : kStrings) {
        if (s.m_pField == &VYRConfig::Filter) {
            Filter =
                ReadFilter(in_store, Key(s.m_section, s.m_name), QString::fromUtf8(s.m_default));
            continue;
        }
        const QVariant value = in_store.value(Key(s.m_section, s.m_name));
        this->*s.m_pField = value.isValid() ? value.toString() : QString::fromUtf8(s.m_default);
    }
}

void VYRConfig::Save(QSettings &in_store) const
{
    for (const IntSetting &s : kLeadingInts)
        in_store.setValue(Key(s.m_section, s.m_name), this->*s.m_pField);
    in_store.setValue(Key(kSectionMain, kMatteColor), MatteColor);
    for (const IntSetting &s : kTrailingInts)
        in_store.setValue(Key(s.m_section, s.m_name), this->*s.m_pField);
    for (const StringSetting &s : kStrings)
        in_store.setValue(Key(s.m_section, s.m_name), this->*s.m_pField);
}

bool VYRConfig::Serialize(QDataStream &inout_archive, bool in_bStoring)
{
    const QDataStream::ByteOrder savedOrder = inout_archive.byteOrder();
    inout_archive.setByteOrder(QDataStream::LittleEndian);
    const auto restoreOrder = [&] { inout_archive.setByteOrder(savedOrder); };

    if (in_bStoring) {
        for (const IntSetting &s : kLeadingInts)
            inout_archive << this->*s.m_pField;
        inout_archive << MatteColor;
        for (const IntSetting &s : kTrailingInts)
            inout_archive << this->*s.m_pField;
        for (const StringSetting &s : kStrings) {
            const QByteArray utf8 = (this->*s.m_pField).toUtf8();
            inout_archive << quint32(utf8.size());
            inout_archive.writeRawData(utf8.constData(), int(utf8.size()));
        }
        restoreOrder();
        return inout_archive.status() == QDataStream::Ok;
    }

    // Read into a copy so that a short or damaged archive leaves this record as it was.
    VYRConfig loaded(*this);
    for (const IntSetting &s : kLeadingInts)
        inout_archive >> loaded.*s.m_pField;
    inout_archive >> loaded.MatteColor;
    for (const IntSetting &s : kTrailingInts)
        inout_archive >> loaded.*s.m_pField;
    for (const StringSetting &s : kStrings) {
        quint32 size = 0;
        inout_archive >> size;
        if (inout_archive.status() != QDataStream::Ok)
            break;
        // Never trust the count for an allocation: read in bounded pieces so that a damaged
        // prefix fails at the end of the data instead of reserving gigabytes.
        QByteArray utf8;
        quint32 left = size;
        char chunk[4096];
        while (left > 0) {
            const int want = int(qMin<quint32>(left, sizeof chunk));
            if (inout_archive.readRawData(chunk, want) != want) {
                inout_archive.setStatus(QDataStream::ReadPastEnd);
                break;
            }
            utf8.append(chunk, want);
            left -= quint32(want);
        }
        if (inout_archive.status() != QDataStream::Ok)
            break;
        loaded.*s.m_pField = QString::fromUtf8(utf8);
    }
    restoreOrder();
    if (inout_archive.status() != QDataStream::Ok)
        return false;
    *this = loaded;
    return true;
}
