// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
#include "vyrbatch.h"

#include "file/vyrfolderwalk.h"
#include "qlfs.h"
#include "qlimg.h"
#include "rotatethread.h"
#include "thumb/vyrsharedthumbs.h"
#include "vyrautodecision.h"
#include "vyrclitext.h"
#include "vyrengine.h"
#include "vyrjournaltext.h"
#include "vyrorient.h"
#include "vyrresulttext.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <chrono>
#include <exception>
#include <memory>
#include <thread>

namespace {

QString Quoted(const char *in_format, const QString &in_path)
{
    return QString::asprintf(in_format, qUtf8Printable(VYRShownPath(in_path)));
}

// One file reached by two names (a hard link, a symbolic link, the same path twice) must be
// turned once: turning it again would undo the first turn's reset and turn the picture twice.
QString FileIdentity(const QString &in_path)
{
    QLFileFacts info;
    if (QLStatPath(QFile::encodeName(in_path).constData(), &info) == 0)
        return QStringLiteral("%1:%2").arg(quint64(info.device)).arg(quint64(info.inode));
    return QFileInfo(in_path).canonicalFilePath();
}

QString Reason(int in_code, const QString &in_photo, const QString &in_output)
{
    return VYRWriteResultText(in_code, VYRShownPath(in_photo), VYRShownPath(in_output));
}

// What the walk could not reach, in the user's words, with the system's reason.
QString UnreachableLine(const VYRWalkEntry &in_entry)
{
    switch (in_entry.m_problem) {
    case VYRWalkEntry::Problem::NameNotUtf8:
        return Quoted(VYRCliText::kNameNotUtf8, in_entry.m_path);
    case VYRWalkEntry::Problem::PathTooLong:
        return QString::asprintf(VYRCliText::kPathTooLong,
                                 qUtf8Printable(VYRShownPath(in_entry.m_path)),
                                 int(QFile::encodeName(in_entry.m_path).size()));
    default:
        return QString::asprintf(VYRCliText::kCannotReadEntry,
                                 qUtf8Printable(VYRShownPath(in_entry.m_path)),
                                 qUtf8Printable(qt_error_string(in_entry.m_error)));
    }
}

} // namespace

VYRBatch::VYRBatch(const VYRBatchSettings &in_settings, VYRBatchReport *in_pReport)
    : m_settings(in_settings), m_pReport(in_pReport)
{
}

bool VYRBatch::Collect(QString *out_pError, const std::atomic<bool> *in_pStop)
{
    QString error;
    // Every name is checked before anything is listed: a typo ends the run before it starts.
    for (const QString &path : m_settings.m_paths) {
        const QFileInfo info(path);
        if (!info.exists())
            error = Quoted(VYRCliText::kPathMissing, path);
        else if (info.isDir() ? !(info.isReadable() && info.isExecutable()) : !info.isReadable())
            error = Quoted(VYRCliText::kPathUnreadable, path);
        else if (!info.isDir() && !info.isFile())
            error = Quoted(VYRCliText::kPathNotPhoto, path); // a FIFO would stall the read
        if (!error.isEmpty())
            break;
    }
    if (error.isEmpty() && !m_settings.m_outputDir.isEmpty()) {
        const QFileInfo output(m_settings.m_outputDir);
        if (!output.exists())
            error = Quoted(VYRCliText::kOutputMissing, m_settings.m_outputDir);
        else if (!output.isDir())
            error = Quoted(VYRCliText::kOutputNotFolder, m_settings.m_outputDir);
    }
    if (!error.isEmpty()) {
        if (out_pError)
            *out_pError = error;
        return false;
    }

    const VYRNameFilter filter(m_settings.m_filter);
    QSet<QString> seen;
    const auto stopped = [in_pStop] { return in_pStop && in_pStop->load(); };
    for (const QString &path : m_settings.m_paths) {
        if (stopped())
            break;
        if (QFileInfo(path).isDir()) {
            VYRFolderWalk walk(path, m_settings.m_filter, m_settings.m_recursive);
            VYRWalkEntry entry;
            while (!stopped() && walk.Next(&entry)) {
                if (entry.m_problem == VYRWalkEntry::Problem::None)
                    AddPhoto(entry.m_path, &seen);
                else if (m_pReport)
                    m_pReport->Unreachable(UnreachableLine(entry));
            }
        } else if (filter.Matches(QFileInfo(path).fileName())) {
            AddPhoto(path, &seen);
        } else if (m_pReport) {
            m_pReport->Note(QString::asprintf(VYRCliText::kSkippedByFilter,
                                              qUtf8Printable(VYRShownPath(path)),
                                              qUtf8Printable(m_settings.m_filter)));
        }
    }
    return true;
}

void VYRBatch::AddPhoto(const QString &in_path, QSet<QString> *inout_pSeen)
{
    Photo photo;
    photo.m_path = in_path;
    photo.m_canonical = QFileInfo(in_path).canonicalFilePath();
    const QString identity = FileIdentity(in_path);
    photo.m_alreadyListed = !identity.isEmpty() && inout_pSeen->contains(identity);
    if (!identity.isEmpty())
        inout_pSeen->insert(identity);
    if (!photo.m_canonical.isEmpty())
        m_sources.insert(photo.m_canonical);
    m_photos.push_back(std::move(photo));
}

int VYRBatch::Run(const std::atomic<bool> &in_stop)
{
    const size_t total = m_photos.size();
    m_outcomes.assign(total, std::nullopt);
    const int jobs = int(std::min<size_t>(size_t(std::max(1, m_settings.m_jobs)), total));

    std::vector<std::thread> workers;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_running = jobs;
    }
    for (int i = 0; i < jobs; ++i) {
        try {
            workers.emplace_back([this, &in_stop] { Work(in_stop); });
        } catch (const std::exception &) {
            // Fewer workers than asked for still finish the batch.
            std::lock_guard<std::mutex> lock(m_mutex);
            m_running -= jobs - i;
            break;
        }
    }
    if (workers.empty() && total > 0) {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_running = 1;
        }
        Work(in_stop);
    }

    bool stopNoticed = false;
    // Said once, as soon as the stop is seen; also when the photos in hand were all finished
    // before this thread woke up to it.
    const auto noticeStop = [&] {
        if (!in_stop || stopNoticed)
            return;
        stopNoticed = true;
        size_t started;
        {
            std::lock_guard<std::mutex> dispatch(m_dispatchMutex);
            started = m_nextIndex;
        }
        if (m_pReport)
            m_pReport->Stopping(int(total - std::min(started, total)));
    };
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;) {
        ReportReady(&lock);
        if (m_running == 0)
            break;
        const int done = m_done;
        lock.unlock();
        noticeStop();
        if (m_pReport)
            m_pReport->Progress(done, int(total));
        lock.lock();
        // Woken by every finished photo; the timeout only lets a stop request be seen.
        m_changed.wait_for(lock, std::chrono::milliseconds(100));
    }
    lock.unlock();
    for (std::thread &worker : workers)
        worker.join();
    lock.lock();
    ReportReady(&lock);
    lock.unlock();
    noticeStop();

    if (m_pReport)
        m_pReport->Summary();
    if (in_stop)
        return VYR_EXIT_INTERRUPTED;
    return m_pReport && m_pReport->Counts().HasFailures() ? VYR_EXIT_FAILED : VYR_EXIT_DONE;
}

void VYRBatch::Work(const std::atomic<bool> &in_stop)
{
    for (;;) {
        size_t index = 0;
        VYRPhotoOutcome outcome;
        std::optional<Turn> turn;
        {
            std::lock_guard<std::mutex> dispatch(m_dispatchMutex);
            if (in_stop || m_nextIndex >= m_photos.size())
                break;
            index = m_nextIndex++;
            turn = Decide(index, &outcome);
        }
        if (turn)
            outcome = Rotate(index, *turn);
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_outcomes[index] = std::move(outcome);
            ++m_done;
        }
        m_changed.notify_one();
    }
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        --m_running;
    }
    m_changed.notify_one();
}

std::optional<VYRBatch::Turn> VYRBatch::Decide(size_t in_index, VYRPhotoOutcome *out_pOutcome)
{
    using Kind = VYRPhotoOutcome::Kind;
    const Photo &photo = m_photos[in_index];
    if (photo.m_alreadyListed) {
        out_pOutcome->m_kind = Kind::AlreadyListed;
        return std::nullopt;
    }
    uint32_t orientation = 0;
    QString error;
    switch (VYRReadOrientation(photo.m_path, &orientation, &error)) {
    case VYROrientationRead::Unreadable:
        out_pOutcome->m_kind = Kind::Unreadable;
        out_pOutcome->m_reason =
            QString::asprintf(VYRCliText::kReasonUnreadable, qUtf8Printable(error));
        return std::nullopt;
    case VYROrientationRead::NotJpeg:
        out_pOutcome->m_kind = Kind::NotJpeg;
        return std::nullopt;
    case VYROrientationRead::NoInfo:
        out_pOutcome->m_kind = Kind::NoInfo;
        return std::nullopt;
    case VYROrientationRead::Found:
        break;
    }
    // The window's table: a mirrored photo is made unmirrored too, in the same write.
    const VYROrientation upright = VYRAutoRotateTransform(orientation);
    Turn turn;
    turn.m_angle = upright.Angle();
    turn.m_code = upright.Code();
    out_pOutcome->m_angle = turn.m_angle;
    out_pOutcome->m_mirrored = upright.IsMirrored();
    if (upright.IsUpright()) {
        out_pOutcome->m_kind = Kind::Upright;
        return std::nullopt;
    }

    turn.m_output = photo.m_path;
    if (!m_settings.m_outputDir.isEmpty()) {
        turn.m_output = QDir(m_settings.m_outputDir).filePath(QFileInfo(photo.m_path).fileName());
        // An output name that is another photo of this run would replace that photo, which
        // may be an original nobody asked to change.
        const QString existing = QFileInfo(turn.m_output).canonicalFilePath();
        if (!existing.isEmpty() && existing != photo.m_canonical && m_sources.contains(existing)) {
            out_pOutcome->m_kind = Kind::Failed;
            out_pOutcome->m_reason = Quoted(VYRCliText::kReasonOutputIsSource, turn.m_output);
            return std::nullopt;
        }
        // The claim stays even if this photo later fails: which photo holds a name must not
        // depend on the workers' timing.
        QString holder;
        if (!m_claims.Claim(turn.m_output, photo.m_path, &holder)) {
            out_pOutcome->m_kind = Kind::Failed;
            out_pOutcome->m_reason = QString::asprintf(VYRCliText::kReasonOutputTaken,
                                                       qUtf8Printable(VYRShownPath(turn.m_output)),
                                                       qUtf8Printable(VYRShownPath(holder)));
            return std::nullopt;
        }
        // A namesake from an earlier run or another card is not this photo's to replace; the
        // write checks again, this answers a dry run and the order of the lines.
        if (!existing.isEmpty() && existing != photo.m_canonical && !m_settings.m_overwrite) {
            out_pOutcome->m_kind = Kind::Failed;
            out_pOutcome->m_reason = Reason(VYR_ERR_OUTPUT_EXISTS, photo.m_path, turn.m_output);
            return std::nullopt;
        }
    }
    if (m_settings.m_dryRun) {
        out_pOutcome->m_kind = Kind::Rotated;
        return std::nullopt;
    }
    return turn;
}

VYRPhotoOutcome VYRBatch::Rotate(size_t in_index, const Turn &in_turn) const
{
    VYRPhotoOutcome outcome;
    outcome.m_angle = in_turn.m_angle;
    outcome.m_kind = VYRPhotoOutcome::Kind::Failed;
    const QString &path = m_photos[in_index].m_path;
    try {
        VYRRotateReport report;
        VYRPhotoWrite write;
        write.m_allowReplace = m_settings.m_overwrite;
        write.m_pReport = &report;
        write.m_pJournal = m_settings.m_pJournal;
        write.m_keepTime = m_settings.m_keepTime;
        VYRRotatePhoto(path, in_turn.m_output, in_turn.m_code, write);
        VYRForgetSharedThumbnails(in_turn.m_output);
        outcome.m_kind = VYRPhotoOutcome::Kind::Rotated;
        outcome.m_note = VYRTrimText(report, VYRShownPath(path));
    } catch (QLException *in_pErr) {
        std::unique_ptr<QLException> err(in_pErr);
        outcome.m_reason = Reason(err->code, path, in_turn.m_output);
    } catch (const std::exception &) {
        // An allocation that failed on the way (Qt reports it as std::bad_alloc): the write
        // never started, so the photo is as it was.
        outcome.m_reason = Reason(VYR_ERR_NO_MEMORY, path, in_turn.m_output);
    }
    return outcome;
}

void VYRBatch::ReportReady(std::unique_lock<std::mutex> *inout_pLock)
{
    // Photos finish in any order; they are told in list order, each as soon as all before it
    // are told.
    while (m_reported < m_outcomes.size() && m_outcomes[m_reported]) {
        const VYRPhotoOutcome outcome = std::move(*m_outcomes[m_reported]);
        m_outcomes[m_reported].reset();
        const QString path = m_photos[m_reported].m_path;
        ++m_reported;
        inout_pLock->unlock();
        if (m_pReport)
            m_pReport->Photo(path, outcome);
        inout_pLock->lock();
    }
}
