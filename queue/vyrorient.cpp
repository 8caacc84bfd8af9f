// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
#include "vyrorient.h"

#include "qlijpg.h"
#include "qlimg.h"
#include "resource.h"
#include "vyrjournalrotate.h"
#include "vyrjournalsession.h"
#include "vyrsidecar.h"

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

namespace {

// The sidecars' step runs as the engine's finishing step: the photo is complete, not yet
// renamed into place.
struct SidecarStep
{
    VYRSidecarEdit *m_pEdit = nullptr;
    VYRJournal *m_pJournal = nullptr;
    qint64 m_batch = 0;
    int m_result = VYR_SUCCESS;
};

bool WriteSidecars(uint8_t *inout_pData, size_t in_size, void *in_pUserData)
{
    auto *step = static_cast<SidecarStep *>(in_pUserData);
    step->m_result = step->m_pEdit->Write(inout_pData, in_size, step->m_pJournal, step->m_batch);
    return step->m_result == VYR_SUCCESS;
}

[[noreturn]] void Fail(int in_code)
{
    throw new QLImageException(in_code, QLImgText::kEngineError, QLImgText::kModule,
                               QLImgText::kFnRotateFile);
}

} // namespace

void VYRRotatePhoto(const QString &in_source, const QString &in_destination, int in_code,
                    const VYRPhotoWrite &in_write)
{
    // The engine sets every copy of the orientation to 1 with the turn, or refuses the photo.
    VYRRotateOptions options;
    options.m_allowReplace = in_write.m_allowReplace;
    options.m_pReport = in_write.m_pReport;
    options.m_keepTime = in_write.m_keepTime;
    VYRJournalSession *session = in_write.m_pJournal;
    VYRJournal *journal = nullptr;
    qint64 batch = 0;
    int journalResult = VYR_JOURNAL_OK;
    if (session && session->IsEnabled()) {
        journal = session->Journal(&journalResult);
        batch = journal ? session->CurrentBatch() : 0;
        if (!journal || !batch)
            Fail(journal ? VYR_JOURNAL_ERR_IO : journalResult);
    }

    VYRSidecarEdit sidecars(in_source, in_destination, in_write.m_allowReplace);
    SidecarStep step{&sidecars, journal, batch};
    if (!sidecars.IsEmpty()) {
        if (sidecars.Read() != VYR_SUCCESS)
            Fail(VYR_ERR_SIDECAR);
        options.m_pFunction = &WriteSidecars;
        options.m_pUserData = &step;
    }
    int result = VYR_SUCCESS;
    if (journal)
        result = VYRJournalledRotate(journal, batch, in_source, in_destination, in_code, &options,
                                     nullptr, &journalResult);
    else
        result = VYRGetEngine().RotateFile(in_source, in_destination, in_code, 0, 0, 0, &options);
    sidecars.Finish(result == VYR_SUCCESS);
    if (result == VYR_SUCCESS)
        return;
    // The step that refused is the reason, not the finishing step it ran in.
    if (result == VYR_ERR_FINISH && step.m_result != VYR_SUCCESS)
        Fail(step.m_result);
    if (result == VYR_ERR_FINISH && journalResult != VYR_JOURNAL_OK)
        Fail(journalResult);
    Fail(result);
}
