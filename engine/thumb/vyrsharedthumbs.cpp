// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
#include "vyrsharedthumbs.h"

#include "qlfs.h"
#include "qltrace.h"
#include "thumb/vyrsharedthumbwriter.h"

#include <cstring>

#include <QBuffer>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageWriter>
#include <QMap>
#include <QTransform>

#include <atomic>
#include <cerrno>
#include <mutex>

namespace {

struct SizeClass
{
    const char *m_folder;
    int m_edge;
};
constexpr SizeClass kClasses[] = {
    {"normal", 128}, {"large", 256}, {"x-large", 512}, {"xx-large", 1024}};

constexpr char kSoftware[] = "Veyra";
constexpr qint64 kMaxEntryBytes = qint64(16) << 20;

std::mutex g_sourcesMutex;
VYRThumbSources g_sources;

// The characters a file URI's path keeps as they are (RFC 2396's unreserved and the path's
// own punctuation), as desktop libraries write them: every program must reach the same name.
bool KeptInUri(uchar in_c)
{
    if ((in_c >= 'a' && in_c <= 'z') || (in_c >= 'A' && in_c <= 'Z') ||
        (in_c >= '0' && in_c <= '9'))
        return true;
    return std::strchr("-._~!$&'()*+,;=:@/", in_c) != nullptr && in_c != 0;
}

// The value of a text chunk after its keyword: as it stands (tEXt), or inflated (zTXt, and
// iTXt with its flag set). Qt's own writer compresses any value over 40 characters.
QByteArray ChunkText(const QByteArray &in_type, const QByteArray &in_rest)
{
    QByteArray value = in_rest;
    bool compressed = in_type == "zTXt";
    if (in_type == "iTXt") {
        // Compression flag, method, language tag and translated keyword come first.
        if (value.size() < 2)
            return QByteArray();
        compressed = value[0] != 0;
        const int language = value.indexOf('\0', 2);
        const int translated = language < 0 ? -1 : value.indexOf('\0', language + 1);
        if (translated < 0)
            return QByteArray();
        value = value.mid(translated + 1);
    } else if (compressed) {
        value = value.mid(1); // the method byte
    }
    if (!compressed)
        return value;
    // qUncompress wants the inflated size first; a hint is enough, it grows as needed.
    static const char kSizeHint[] = {0, 0, 4, 0};
    return qUncompress(QByteArray(kSizeHint, 4) + value);
}

// The text chunks before the picture's data of the PNG in in_png, by keyword. Keywords of
// the standard hold colons, which Qt's reader takes for the end of a keyword, so the chunks
// are read here.
QMap<QByteArray, QByteArray> PngText(const QByteArray &in_png)
{
    QMap<QByteArray, QByteArray> text;
    static const char kSignature[] = "\x89PNG\r\n\x1a\n";
    if (!in_png.startsWith(QByteArray(kSignature, 8)))
        return text;
    const auto *bytes = reinterpret_cast<const uchar *>(in_png.constData());
    qint64 at = 8;
    while (at + 12 <= in_png.size()) {
        const quint32 length = (quint32(bytes[at]) << 24) | (bytes[at + 1] << 16) |
                               (bytes[at + 2] << 8) | bytes[at + 3];
        const QByteArray type = in_png.mid(at + 4, 4);
        if (length > quint32(in_png.size()) || at + 12 + qint64(length) > in_png.size() ||
            type == "IDAT" || type == "IEND")
            break;
        if (type == "tEXt" || type == "zTXt" || type == "iTXt") {
            const QByteArray chunk = in_png.mid(at + 8, length);
            const int nul = chunk.indexOf('\0');
            if (nul > 0)
                text.insert(chunk.left(nul), ChunkText(type, chunk.mid(nul + 1)));
        }
        at += 12 + qint64(length);
    }
    return text;
}

QString MtimeText(const VYRFileIdentity &in_identity)
{
    return QString::number(in_identity.m_mtimeSec);
}

// The photo is still the file that was read: a turn written meanwhile (a new inode) must not
// get the old picture's entry, even when it kept the file's time.
bool StillTheFileRead(const VYRSharedThumbPhoto &in_photo)
{
    QLFileFacts st;
    if (QLStatPath(QFile::encodeName(in_photo.m_path).constData(), &st) != 0)
        return false;
    return VYRIdentityOf(st).IsUnchanged(in_photo.m_identity);
}

// Makes in_path and the folders above it up to in_root (included) with mode 0700 where they
// are missing; folders that exist are left as they are.
bool MakePrivateFolders(const QString &in_path)
{
    const QByteArray path = QFile::encodeName(in_path);
    for (int slash = path.indexOf('/', 1);; slash = path.indexOf('/', slash + 1)) {
        const QByteArray part = slash < 0 ? path : path.left(slash);
        if (QLMakeFolder(part.constData(), 0700) != 0 && errno != EEXIST)
            return false;
        if (slash < 0)
            return true;
    }
}

// Writes in_data to a temporary file of mode 0600 in in_folder and renames it to in_name, so
// that a reader sees the whole old entry or the whole new one.
bool WriteEntryFile(const QString &in_folder, const QString &in_name, const QByteArray &in_data)
{
    static std::atomic<unsigned> s_counter{0};
    const QString temporary = QStringLiteral("%1/.%2.veyra-%3-%4")
                                  .arg(in_folder, in_name)
                                  .arg(QLProcessId())
                                  .arg(s_counter.fetch_add(1));
    const QByteArray tempPath = QFile::encodeName(temporary);
    const int fd =
        QLOpenFile(tempPath.constData(), QL_OPEN_WRITE | QL_OPEN_CREATE | QL_OPEN_EXCLUSIVE, 0600);
    if (fd < 0)
        return false;
    // The umask can only take bits away, but say it anyway: the entry is private.
    bool ok = QLSetFileMode(fd, 0600) == 0 && QLWriteAll(fd, in_data.constData(), in_data.size());
    ok = (QLCloseFile(fd) == 0) && ok;
    const QByteArray finalPath = QFile::encodeName(in_folder + QLatin1Char('/') + in_name);
    if (ok && QLRenameFile(tempPath.constData(), finalPath.constData()) == 0)
        return true;
    QLRemoveFile(tempPath.constData());
    return false;
}

} // namespace

void VYRSetThumbSources(const VYRThumbSources &in_sources)
{
    std::lock_guard<std::mutex> lock(g_sourcesMutex);
    g_sources = in_sources;
    g_sources.m_tolerancePercent = qBound(0, in_sources.m_tolerancePercent, 50);
}

VYRThumbSources VYRGetThumbSources()
{
    std::lock_guard<std::mutex> lock(g_sourcesMutex);
    return g_sources;
}

QString VYRSharedThumbRoot(const VYRThumbSources &in_sources)
{
    if (!in_sources.m_cacheRoot.isEmpty())
        return in_sources.m_cacheRoot;
    // The base directory rules: a relative value is invalid and must be ignored.
    const QString cache = qEnvironmentVariable("XDG_CACHE_HOME");
    if (!cache.isEmpty() && QDir::isAbsolutePath(cache))
        return QDir::cleanPath(cache) + QStringLiteral("/thumbnails");
    const QString home = qEnvironmentVariable("HOME");
    if (home.isEmpty() || !QDir::isAbsolutePath(home))
        return QString();
    return QDir::cleanPath(home) + QStringLiteral("/.cache/thumbnails");
}

QByteArray VYRSharedThumbUri(const QString &in_path)
{
    const QByteArray path = QFile::encodeName(QFileInfo(in_path).absoluteFilePath());
    QByteArray uri("file://");
    uri.reserve(uri.size() + path.size() * 3);
    static const char kHex[] = "0123456789ABCDEF";
    for (const char c : path) {
        const uchar u = uchar(c);
        if (KeptInUri(u)) {
            uri.append(c);
        } else {
            uri.append('%');
            uri.append(kHex[u >> 4]);
            uri.append(kHex[u & 15]);
        }
    }
    return uri;
}

QString VYRSharedThumbName(const QByteArray &in_uri)
{
    return QString::fromLatin1(QCryptographicHash::hash(in_uri, QCryptographicHash::Md5).toHex()) +
           QStringLiteral(".png");
}

int VYRSharedThumbClassFor(QSize in_box)
{
    const int edge = std::max(in_box.width(), in_box.height());
    for (const SizeClass &sizeClass : kClasses) {
        if (sizeClass.m_edge >= edge)
            return sizeClass.m_edge;
    }
    return 0;
}

QImage VYRApplyOrientation(const QImage &in_picture, VYROrientation in_orientation)
{
    QImage out = in_orientation.IsMirrored() ? in_picture.mirrored(true, false) : in_picture;
    if (in_orientation.QuarterTurns() != 0 && !out.isNull())
        out = out.transformed(QTransform().rotate(90.0 * in_orientation.QuarterTurns()));
    return out;
}

bool VYRReadSharedThumb(const VYRThumbSources &in_sources, const VYRSharedThumbPhoto &in_photo,
                        QSize in_box, QImage *out_pPicture)
{
    const QString root = VYRSharedThumbRoot(in_sources);
    if (root.isEmpty())
        return false;
    const QByteArray uri = VYRSharedThumbUri(in_photo.m_path);
    const QString name = VYRSharedThumbName(uri);
    const QString mtime = MtimeText(in_photo.m_identity);
    const int edge = std::max(in_box.width(), in_box.height());
    for (const SizeClass &sizeClass : kClasses) {
        if (sizeClass.m_edge < edge)
            continue;
        QFile file(root + QLatin1Char('/') + QLatin1String(sizeClass.m_folder) + QLatin1Char('/') +
                   name);
        // An entry is a few kilobytes; anything far larger is no thumbnail.
        if (!file.open(QIODevice::ReadOnly) || file.size() > kMaxEntryBytes)
            continue;
        const QByteArray png = file.readAll();
        // The text chunks come before the pixels: a stale entry costs no decode.
        const QMap<QByteArray, QByteArray> text = PngText(png);
        if (text.value("Thumb::URI") != uri)
            continue;
        // Some writers store the time with a fraction; the standard counts whole seconds.
        bool valid = false;
        const qint64 seconds = qint64(text.value("Thumb::MTime").toDouble(&valid));
        if (!valid || QString::number(seconds) != mtime)
            continue;
        const bool ours = text.value("Software").startsWith(kSoftware);
        if (!ours && !in_photo.m_trustForeign)
            continue;
        QImage picture = QImage::fromData(png, "png");
        if (picture.isNull() || std::max(picture.width(), picture.height()) > sizeClass.m_edge)
            continue;
        picture = VYRApplyOrientation(picture.convertToFormat(QImage::Format_RGB32),
                                      in_photo.m_exif.Inverse());
        if (picture.isNull())
            return false;
        *out_pPicture = std::move(picture);
        return true;
    }
    return false;
}

bool VYRWriteSharedThumb(const VYRThumbSources &in_sources, const VYRSharedThumbPhoto &in_photo,
                         int in_classEdge, const QImage &in_picture)
{
    const QString root = VYRSharedThumbRoot(in_sources);
    const SizeClass *sizeClass = nullptr;
    for (const SizeClass &candidate : kClasses) {
        if (candidate.m_edge == in_classEdge)
            sizeClass = &candidate;
    }
    if (root.isEmpty() || !sizeClass || in_picture.isNull())
        return false;
    // No thumbnails of thumbnails.
    const QString absolute = QFileInfo(in_photo.m_path).absoluteFilePath();
    if (absolute.startsWith(root + QLatin1Char('/')))
        return false;

    QImage entry = VYRApplyOrientation(in_picture, in_photo.m_exif);
    const QByteArray uri = VYRSharedThumbUri(in_photo.m_path);
    entry.setText(QStringLiteral("Thumb::URI"), QString::fromUtf8(uri));
    entry.setText(QStringLiteral("Thumb::MTime"), MtimeText(in_photo.m_identity));
    entry.setText(QStringLiteral("Thumb::Size"), QString::number(in_photo.m_identity.m_size));
    entry.setText(QStringLiteral("Thumb::Mimetype"), QStringLiteral("image/jpeg"));
    // The size file managers show the photo at (turned as its orientation says).
    const bool swap = in_photo.m_exif.SwapsAxes();
    entry.setText(QStringLiteral("Thumb::Image::Width"),
                  QString::number(swap ? in_photo.m_height : in_photo.m_width));
    entry.setText(QStringLiteral("Thumb::Image::Height"),
                  QString::number(swap ? in_photo.m_width : in_photo.m_height));
    entry.setText(QStringLiteral("Software"), QLatin1String(kSoftware));

    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "png");
    // Quality 75 is zlib level 2: a few per cent larger than the best, several times faster.
    writer.setQuality(75);
    if (!writer.write(entry))
        return false;

    const QString folder = root + QLatin1Char('/') + QLatin1String(sizeClass->m_folder);
    if (!MakePrivateFolders(folder) || !StillTheFileRead(in_photo))
        return false;
    return WriteEntryFile(folder, VYRSharedThumbName(uri), png);
}

namespace {

int ForgetEntries(const QString &in_path)
{
    const QString root = VYRSharedThumbRoot(VYRGetThumbSources());
    if (root.isEmpty())
        return 0;
    // File managers may know the photo by its path or by where its links lead.
    QStringList names{VYRSharedThumbName(VYRSharedThumbUri(in_path))};
    const QString canonical = QFileInfo(in_path).canonicalFilePath();
    if (!canonical.isEmpty())
        names.append(VYRSharedThumbName(VYRSharedThumbUri(canonical)));
    names.removeDuplicates();

    QStringList folders;
    for (const SizeClass &sizeClass : kClasses)
        folders.append(root + QLatin1Char('/') + QLatin1String(sizeClass.m_folder));
    // Each program keeps its failures in its own folder; a rewritten photo may now succeed.
    const QDir fail(root + QStringLiteral("/fail"));
    for (const QString &program : fail.entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden))
        folders.append(fail.filePath(program));

    int deleted = 0;
    for (const QString &folder : folders) {
        for (const QString &name : names) {
            const QByteArray entry = QFile::encodeName(folder + QLatin1Char('/') + name);
            if (QLRemoveFile(entry.constData()) == 0)
                ++deleted;
            else if (errno != ENOENT)
                QLTrace("Cannot delete the old thumbnail '%s': %s\n", entry.constData(),
                        std::strerror(errno));
        }
    }
    return deleted;
}

} // namespace

int VYRForgetSharedThumbnails(const QString &in_path) noexcept
{
    // An entry still waiting to be written would bring the old picture back.
    VYRDropSharedThumbWrites(in_path);
    try {
        return ForgetEntries(in_path);
    } catch (...) {
        // Out of memory: the photo is written all the same, and that is what the caller reports.
        return 0;
    }
}
