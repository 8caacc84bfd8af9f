// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
//
// The thumbnail decode on arbitrary bytes, as the folder walk's decoding threads run it.
// Invariants: no crash or memory error whatever the file; a thumbnail reported as made is
// held for and drawn at the box's size.
#include "fuzzcheck.h"
#include "thumb/vyrthumbdecode.h"
#include "vyrenginebitmap.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *in_pData, size_t in_size)
{
    Fuzz::QuietTraces();
    static const QString base =
        QDir("/dev/shm").exists() ? QStringLiteral("/dev/shm") : QDir::tempPath();
    static QTemporaryDir dir(base + QStringLiteral("/veyra-fuzz-XXXXXX"));
    const QString path = dir.filePath(QStringLiteral("photo.jpg"));
    {
        QFile file(path);
        FUZZ_CHECK(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        FUZZ_CHECK(file.write(reinterpret_cast<const char *>(in_pData), qint64(in_size)) ==
                   qint64(in_size));
    }
    // The box size comes from the data too, so every reduction gets exercised.
    const int box = in_size > 0 ? 16 << (in_pData[0] % 5) : 64;
    const VYRThumbResult result = VYRMakeThumbnail(path, QSize(box, box), 0x00808080);
    if (result.m_status == VYR_SUCCESS) {
        // The compact thumbnail the grid keeps draws back to a picture of the box's size.
        FUZZ_CHECK(result.m_thumb.Width() == box && result.m_thumb.Height() == box);
        const QImage shown = VYREngineDisplayImage(result.m_thumb);
        FUZZ_CHECK(shown.width() == box && shown.height() == box);
    }
    return 0;
}
