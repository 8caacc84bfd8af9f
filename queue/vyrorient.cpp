// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
#include "vyrorient.h"

#include "qlijpg.h"
#include "qlimg.h"
#include "resource.h"
#include "vyrjournalrotate.h"
#include "vyrjournalsession.h"

VYROrientation VYRAutoRotateTransform(uint32_t in_value)
{
    // An unknown value reads as upright.
    return VYROrientation::FromExif(in_value);
}

int VYRAngleForOrientation(uint32_t in_value)
{
    return VYRAutoRotateTransform(in_value).Angle();
}

void VYRRotatePhoto(const QString &in_source, const QString &in_destination, int in_code,
                    bool in_allowReplace, VYRRotateReport *out_pReport)
{
    VYRPhotoWrite write;
    write.m_allowReplace = in_allowReplace;
    write.m_pReport = out_pReport;
    VYRRotatePhoto(in_source, in_destination, in_code, write);
}

void VYRRotatePhoto(const QString &in_source, const QString &in_destination, int in_code,
                    const VYRPhotoWrite &in_write)
{
    // The engine sets every copy of the orientation to 1 with the turn, or refuses the photo.
    VYRRotateOptions options;
    options.m_allowReplace = in_write.m_allowReplace;
    options.m_pReport = in_write.m_pReport;
    VYRJournalSession *session = in_write.m_pJournal;
    if (!session || !session->IsEnabled()) {
        QLRotateFile(in_source, in_destination, in_code, &options);
        return;
    }
    int journalResult = VYR_JOURNAL_OK;
    VYRJournal *journal = session->Journal(&journalResult);
    const qint64 batch = journal ? session->CurrentBatch() : 0;
    if (!journal || !batch)
        throw new QLImageException(journal ? VYR_JOURNAL_ERR_IO : journalResult,
                                   QLImgText::kEngineError, QLImgText::kModule,
                                   QLImgText::kFnRotateFile);
    const int result = VYRJournalledRotate(journal, batch, in_source, in_destination, in_code,
                                           &options, nullptr, &journalResult);
    if (result == VYR_SUCCESS)
        return;
    // A record the journal refused is the reason, not the finishing step it ran in.
    const int code =
        result == VYR_ERR_FINISH && journalResult != VYR_JOURNAL_OK ? journalResult : result;
    throw new QLImageException(code, QLImgText::kEngineError, QLImgText::kModule,
                               QLImgText::kFnRotateFile);
}
