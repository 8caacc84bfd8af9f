// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
#include "vyrenginerotate.h"

#include "file/vyratomicfile.h"
#include "file/vyrreadfile.h"
#include "jpeg/vyrjpegscan.h"
#include "jpeg/vyrjpegturn.h"
#include "meta/vyrphotometa.h"
#include "qltrace.h"

#include <QFile>

int VYREngineRotateFile(const QString &in_source, const QString &in_destination, int in_code, int,
                        int, int, const VYRRotateOptions *in_pOptions)
{
    bool known = false;
    const bool upright = VYROrientation::FromCode(in_code, &known).IsUpright();
    if (!known || upright || in_source.isEmpty() || in_destination.isEmpty())
        return VYR_ERR_INVALID_PARAMETER;

    const VYRRotateOptions options = in_pOptions ? *in_pOptions : VYRRotateOptions();
    if (options.m_pReport)
        *options.m_pReport = VYRRotateReport();
    QByteArray source;
    VYRAtomicFile::Guard guard;
    guard.m_source = in_source;
    guard.m_allowReplace = options.m_allowReplace;
    guard.m_keepSourceTime = options.m_keepTime;
    int rc = VYRReadPhotoFile(in_source, &source, &guard.m_sourceRead);
    if (rc != VYR_SUCCESS)
        return rc;
    const auto *data = reinterpret_cast<const uint8_t *>(source.constData());
    const size_t size = size_t(source.size());
    const VYRJpegLayout layout = VYRScanJpeg(data, size);
    if (!layout.m_isJpeg)
        return VYR_ERR_FILE_FORMAT;

    // Claim the destination before the expensive part: a read-only folder, or a name another
    // photo holds, fails at once.
    VYRAtomicFile output;
    rc = output.Prepare(in_destination, guard.m_sourceRead.m_mode, guard);
    if (rc != VYR_SUCCESS)
        return rc;

    VYRTurnRequest request;
    request.m_code = in_code;
    request.m_name = QFile::encodeName(in_source);
    VYRTurnResult turned;
    rc = VYRTurnJpeg(data, size, request, &turned);
    if (rc != VYR_SUCCESS)
        return rc;
    if (options.m_pReport) {
        options.m_pReport->m_trimmedColumns = turned.m_trimmedColumns;
        options.m_pReport->m_trimmedRows = turned.m_trimmedRows;
    }

    QByteArray photo;
    rc = VYRCompletePhoto(data, size, layout, in_code, turned, &photo, request.m_name);
    if (rc != VYR_SUCCESS)
        return rc;
    auto *result = reinterpret_cast<uint8_t *>(photo.data());
    if (options.m_pFunction &&
        !options.m_pFunction(result, size_t(photo.size()), options.m_pUserData))
        return VYR_ERR_FINISH;

    // Nothing replaces a photo before it has been read back whole, to the coefficients that
    // were written: the source decoded cleanly, so any failure here is the writing's.
    QByteArray reason;
    rc = VYRVerifyJpeg(result, size_t(photo.size()), turned.m_coefficientDigest, &reason);
    if (rc != VYR_SUCCESS) {
        QLTrace("Cannot rotate '%s': the result does not read back as written: %s\n",
                request.m_name.constData(), reason.constData());
        return rc == VYR_ERR_TOO_COSTLY || rc == VYR_ERR_NO_MEMORY ? rc : VYR_ERR_TRANSFORM;
    }
    return output.Commit(result, size_t(photo.size()));
}
