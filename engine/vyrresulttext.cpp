// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
#include "vyrresulttext.h"

#include "resource.h"

namespace {

struct Entry
{
    int m_code;
    const char *m_text;
};

namespace T = VYRReasonText;
constexpr Entry kTable[] = {
    {VYR_ERR_INVALID_PARAMETER, T::kInvalidParameter},
    {VYR_ERR_NO_MEMORY, T::kNoMemory},
    {VYR_ERR_FILE_NOT_FOUND, T::kFileNotFound},
    {VYR_ERR_FILE_READ, T::kFileRead},
    {VYR_ERR_FILE_FORMAT, T::kFileFormat},
    {VYR_ERR_FILE_DAMAGED, T::kFileDamaged},
    {VYR_ERR_FOLDER_NOT_FOUND, T::kFolderNotFound},
    {VYR_ERR_EMPTY_BITMAP, T::kEmptyBitmap},
    {VYR_ERR_BROWSE_STOPPED, T::kStopped},
    {VYR_ERR_PATH_TOO_LONG, T::kPathTooLong},
    {VYR_ERR_TRANSFORM, T::kTransform},
    {VYR_ERR_FILE_WRITE, T::kFileWrite},
    {VYR_ERR_DISK_FULL, T::kDiskFull},
    {VYR_ERR_DESTINATION_CHANGED, T::kFolderChanged},
    {VYR_ERR_PAINT, T::kPaint},
    {VYR_ERR_NOT_LOSSLESS, T::kNotLossless},
    {VYR_ERR_FINISH, T::kFinish},
    {VYR_ERR_TOO_COSTLY, T::kTooCostly},
    {VYR_ERR_CANCELLED, T::kCancelled},
    {VYR_ERR_METADATA, T::kMultiPicture},
    {VYR_ERR_OUTPUT_EXISTS, T::kOutputExists},
    {VYR_ERR_SOURCE_CHANGED, T::kSourceChanged},
    {VYR_ERR_METADATA_DAMAGED, T::kMetadataDamaged},
    {VYR_ERR_FILE_TOO_LARGE, T::kFileTooLarge},
    {VYR_ERR_UNREACHABLE, T::kUnreachable},
    {VYR_ERR_SIDECAR, T::kSidecar},
    {VYR_ERR_READ_ONLY, T::kReadOnly},
};

const char *Lookup(int in_code)
{
    for (const Entry &entry : kTable) {
        if (entry.m_code == in_code)
            return entry.m_text;
    }
    return nullptr;
}

const char *Pixels(int in_count)
{
    return in_count == 1 ? T::kPixel : T::kPixels;
}

} // namespace

QString VYRResultText(int in_code, const QString &in_photo, const QString &in_output)
{
    const char *text = Lookup(in_code);
    const QString &named =
        in_code == VYR_ERR_OUTPUT_EXISTS && !in_output.isEmpty() ? in_output : in_photo;
    return QString::asprintf(text ? text : T::kUnknown, qUtf8Printable(named));
}

bool VYRResultTextKnown(int in_code)
{
    return Lookup(in_code) != nullptr;
}

QString VYRTrimText(const VYRRotateReport &in_report, const QString &in_photo)
{
    const int columns = in_report.m_trimmedColumns;
    const int rows = in_report.m_trimmedRows;
    const QByteArray photo = in_photo.toUtf8();
    if (columns > 0 && rows > 0)
        return QString::asprintf(T::kTrimmedBoth, photo.constData(), columns, Pixels(columns), rows,
                                 Pixels(rows));
    if (columns > 0)
        return QString::asprintf(T::kTrimmedOne, photo.constData(), columns, Pixels(columns),
                                 T::kRightEdge);
    if (rows > 0)
        return QString::asprintf(T::kTrimmedOne, photo.constData(), rows, Pixels(rows),
                                 T::kBottomEdge);
    return QString();
}
