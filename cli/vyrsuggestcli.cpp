// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
#include "vyrsuggestcli.h"

#include "file/vyrfolderwalk.h"
#include "qlimg.h"
#include "thumb/vyrsharedthumbs.h"
#include "vyrautodecision.h"
#include "vyrbatch.h"
#include "vyrbatchreport.h"
#include "vyrclitext.h"
#include "vyrjournalsession.h"
#include "vyrjournaltext.h"
#include "vyrorient.h"
#include "vyrprefs.h"
#include "vyrresulttext.h"
#include "vyrsuggest.h"

#include <QFileInfo>
#include <QSet>
#include <cstdio>
#include <memory>

namespace {

void PrintError(const char *in_format, const QString &in_path, const QString &in_reason)
{
    std::fprintf(stderr, in_format, qUtf8Printable(VYRShownPath(in_path)),
                 qUtf8Printable(in_reason));
}

// The photos named and found, in the walk's order, each file once.
bool ListPhotos(const VYRCliOptions &in_options, QStringList *out_pPhotos)
{
    for (const QString &path : in_options.m_paths) {
        const QFileInfo info(path);
        if (!info.exists() || (!info.isDir() && !info.isFile())) {
            std::fprintf(stderr, "%s%s%s\n", VYRCliText::kUsagePrefix,
                         qUtf8Printable(QString::asprintf(info.exists() ? VYRCliText::kPathNotPhoto
                                                                        : VYRCliText::kPathMissing,
                                                          qUtf8Printable(VYRShownPath(path)))),
                         VYRCliText::kUsageHint);
            return false;
        }
    }
    const VYRNameFilter filter(in_options.m_filter);
    QSet<QString> seen;
    const auto add = [&](const QString &in_path) {
        const QString canonical = QFileInfo(in_path).canonicalFilePath();
        if (canonical.isEmpty() || !seen.contains(canonical)) {
            seen.insert(canonical);
            out_pPhotos->append(in_path);
        }
    };
    for (const QString &path : in_options.m_paths) {
        if (!QFileInfo(path).isDir()) {
            // A file named outright is looked at whatever its name, as the user asked.
            add(path);
            continue;
        }
        VYRFolderWalk walk(path, in_options.m_filter, in_options.m_recursive);
        VYRWalkEntry entry;
        while (walk.Next(&entry)) {
            if (entry.m_problem == VYRWalkEntry::Problem::None)
                add(entry.m_path);
            else
                PrintError(VYRCliText::kSuggestUnreadable, entry.m_path,
                           qt_error_string(entry.m_error));
        }
    }
    return true;
}

} // namespace

int VYRRunSuggestCommand(const VYRCliOptions &in_options)
{
    QStringList photos;
    if (!ListPhotos(in_options, &photos))
        return VYR_EXIT_USAGE;
    VYRSuggester suggester;
    QString why;
    if (!suggester.IsReady(&why)) {
        std::fprintf(
            stderr, "%s%s\n", VYRCliText::kUsagePrefix,
            qUtf8Printable(QString::asprintf(VYRCliText::kSuggesterNotReady, qUtf8Printable(why))));
        return VYR_EXIT_USAGE;
    }
    const double minimum = in_options.m_minConfidence >= 0 ? in_options.m_minConfidence
                                                           : VYRDefaultSuggestConfidence();

    // The writes of one run are one batch of the undo journal, as Auto Rotate's are.
    std::unique_ptr<VYRJournalSession> journal;
    if (in_options.m_apply) {
        const VYRPrefs prefs = VYRPrefs::FromProfile();
        journal.reset(new VYRJournalSession(QString::fromUtf8(VYRUndoText::kCommandLineOrigin),
                                            QString(), prefs.UndoDays > 0));
        journal->SetExpiry(prefs.UndoDays, qint64(prefs.UndoMegabytes) << 20);
    }

    int exitCode = VYR_EXIT_DONE;
    for (const QString &path : photos) {
        // A tag other than 1 is Auto Rotate's to follow; such a photo is not even decoded.
        uint32_t orientation = 0;
        QString error;
        const VYROrientationRead read = VYRReadOrientation(path, &orientation, &error);
        if (read == VYROrientationRead::Unreadable) {
            PrintError(VYRCliText::kSuggestUnreadable, path, error);
            continue;
        }
        if (read == VYROrientationRead::Found && orientation != 1)
            continue;
        VYRSuggestion suggestion;
        if (!suggester.Suggest(path, &suggestion, &error)) {
            PrintError(VYRCliText::kSuggestUnreadable, path, error);
            continue;
        }
        if (suggestion.m_angle == 0 || suggestion.m_confidence < minimum)
            continue;
        std::printf(VYRCliText::kSuggestLine, qUtf8Printable(VYRShownPath(path)),
                    suggestion.m_angle, suggestion.m_confidence,
                    qUtf8Printable(suggestion.m_evidence));
        std::fflush(stdout);
        if (!in_options.m_apply)
            continue;
        try {
            VYRPhotoWrite write;
            write.m_pJournal = journal.get();
            VYRRotatePhoto(path, path, VYROrientation::FromAngle(suggestion.m_angle).Code(), write);
            VYRForgetSharedThumbnails(path);
        } catch (QLException *in_pErr) {
            std::unique_ptr<QLException> err(in_pErr);
            PrintError(VYRCliText::kSuggestApplyFailed, path,
                       VYRWriteResultText(err->code, VYRShownPath(path), VYRShownPath(path)));
            exitCode = VYR_EXIT_FAILED;
        } catch (const std::exception &) {
            PrintError(VYRCliText::kSuggestApplyFailed, path,
                       VYRResultText(VYR_ERR_NO_MEMORY, VYRShownPath(path)));
            exitCode = VYR_EXIT_FAILED;
        }
    }
    return exitCode;
}
