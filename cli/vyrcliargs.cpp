// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
#include "vyrcliargs.h"

#include "vyrbatch.h"
#include "vyrbatchreport.h"
#include "vyrclitext.h"
#include "vyrconfig.h"
#include "vyrstopsignals.h"
#include "vyrsuggestcli.h"

#include "resource.h"
#include "vyrjournalsession.h"
#include "vyrprefs.h"
#include "vyrundocli.h"
#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QLoggingCategory>
#include <QSettings>
#include <QThread>
#include <cstdio>
#if defined(__GLIBC__)
#include <malloc.h>
#endif

#ifndef VEYRA_VERSION
#define VEYRA_VERSION "1.1"
#endif

namespace {

// Long and short names of every headless option (the short ones also in bundles like -rn).
struct OptionName
{
    const char *m_long;
    char m_short;
    bool m_takesValue;
};
constexpr OptionName kOptions[] = {
    {"help", 'h', false},
    {"version", 'v', false},
    {"auto-rotate", 'a', false},
    {"recursive", 'r', false},
    {"output", 'o', true},
    {"filter", 'f', true},
    {"dry-run", 'n', false},
    {"jobs", 'j', true},
    {"quiet", 'q', false},
    {"overwrite", '\0', false}, // long only: replacing other files is never a slip of a key
    {"undo", '\0', false},
    {"history", '\0', false},
    {"keep-time", 'p', false},
    {"suggest", '\0', false},
    {"min-confidence", '\0', true},
    {"apply", '\0', false}, // long only: a write is never a slip of a key
};

QCommandLineOption MakeOption(const OptionName &in_name)
{
    QStringList names = {QString::fromLatin1(in_name.m_long)};
    if (in_name.m_short != '\0')
        names.prepend(QString(QLatin1Char(in_name.m_short)));
    return in_name.m_takesValue ? QCommandLineOption(names, QString(), QStringLiteral("value"))
                                : QCommandLineOption(names);
}

bool IsShortBundle(const QString &in_arg)
{
    // "-reverse" or "-platform" belong to the toolkit: only a bundle made wholly of our
    // letters counts as ours.
    if (in_arg.size() < 2 || in_arg.startsWith(QLatin1String("--")))
        return false;
    for (int i = 1; i < in_arg.size(); ++i) {
        const OptionName *known = nullptr;
        for (const OptionName &option : kOptions) {
            if (in_arg.at(i) == QLatin1Char(option.m_short))
                known = &option;
        }
        if (!known)
            return false;
        if (known->m_takesValue)
            return true; // the rest is its value: -j4, -oOut
    }
    return true;
}

// Options the toolkit's window takes (with one dash or two); anything else that looks like an
// option and is not ours is bad usage, answered without a display rather than by a window.
bool IsToolkitOption(const QString &in_arg)
{
    static const char *const kToolkit[] = {"platform",
                                           "platformpluginpath",
                                           "platformtheme",
                                           "plugin",
                                           "qwindowgeometry",
                                           "qwindowicon",
                                           "qwindowtitle",
                                           "reverse",
                                           "session",
                                           "display",
                                           "geometry",
                                           "style",
                                           "stylesheet",
                                           "widgetcount",
                                           "qmljsdebugger",
                                           "nograb",
                                           "dograb",
                                           "sync",
                                           "name",
                                           "title",
                                           "visual",
                                           "ncols",
                                           "cmap",
                                           "im",
                                           "inputstyle",
                                           "fn",
                                           "font",
                                           "bg",
                                           "background",
                                           "fg",
                                           "foreground",
                                           "btn",
                                           "button",
                                           "testability"};
    QString name = in_arg.mid(in_arg.startsWith(QLatin1String("--")) ? 2 : 1);
    name = name.section(QLatin1Char('='), 0, 0);
    for (const char *option : kToolkit) {
        if (name == QLatin1String(option))
            return true;
    }
    return false;
}

// `--undo [BATCH]` and `--history [BATCH]`: one of them, at most one batch number, and none
// of the turning options.
template <typename Fail>
bool ParseJournalMode(const QCommandLineParser &in_parser, bool in_undo,
                      VYRCliOptions *out_pOptions, const Fail &in_fail)
{
    for (const OptionName &option : kOptions) {
        const QString name = QString::fromLatin1(option.m_long);
        if (name != QLatin1String("undo") && name != QLatin1String("history") &&
            name != QLatin1String("quiet") && in_parser.isSet(name))
            return in_fail(QString::asprintf(VYRCliText::kJournalAlone, option.m_long));
    }
    if (in_parser.isSet(QStringLiteral("undo")) && in_parser.isSet(QStringLiteral("history")))
        return in_fail(QString::fromUtf8(VYRCliText::kUndoOrHistory));
    const QStringList rest = in_parser.positionalArguments();
    VYRCliOptions result;
    result.m_mode = in_undo ? VYRCliOptions::Mode::Undo : VYRCliOptions::Mode::History;
    result.m_quiet = in_parser.isSet(QStringLiteral("quiet"));
    if (rest.size() > 1)
        return in_fail(QString::fromUtf8(VYRCliText::kOneBatch));
    if (!rest.isEmpty()) {
        bool ok = false;
        result.m_batch = rest.first().toLongLong(&ok);
        if (!ok || result.m_batch <= 0)
            return in_fail(QString::asprintf(VYRCliText::kBadBatch, qUtf8Printable(rest.first())));
    }
    *out_pOptions = result;
    return true;
}

// `--suggest [-r] [--min-confidence X] [--apply] PATH...`: the filter and -r as for Auto
// Rotate, none of the options that say how Auto Rotate writes.
template <typename Fail>
bool ParseSuggestMode(const QCommandLineParser &in_parser, VYRCliOptions *out_pOptions,
                      const Fail &in_fail)
{
    for (const char *name :
         {"auto-rotate", "output", "dry-run", "jobs", "overwrite", "keep-time"}) {
        if (in_parser.isSet(QString::fromLatin1(name)))
            return in_fail(QString::asprintf(VYRCliText::kNotWithSuggest, name));
    }
    VYRCliOptions result;
    result.m_mode = VYRCliOptions::Mode::Suggest;
    result.m_paths = in_parser.positionalArguments();
    if (result.m_paths.isEmpty())
        return in_fail(QString::fromUtf8(VYRCliText::kSuggestNeedsPath));
    result.m_recursive = in_parser.isSet(QStringLiteral("recursive"));
    result.m_quiet = in_parser.isSet(QStringLiteral("quiet"));
    result.m_apply = in_parser.isSet(QStringLiteral("apply"));
    result.m_hasFilter = in_parser.isSet(QStringLiteral("filter"));
    result.m_filter = in_parser.value(QStringLiteral("filter"));
    if (result.m_hasFilter && result.m_filter.trimmed().isEmpty())
        return in_fail(QString::fromUtf8(VYRCliText::kEmptyFilter));
    if (in_parser.isSet(QStringLiteral("min-confidence"))) {
        const QString text = in_parser.value(QStringLiteral("min-confidence"));
        bool ok = false;
        const double value = text.trimmed().toDouble(&ok);
        // NaN fails both comparisons, so it is refused with the rest.
        if (!ok || !(value >= 0.0 && value <= 1.0))
            return in_fail(QString::asprintf(VYRCliText::kBadConfidence, qUtf8Printable(text)));
        result.m_minConfidence = value;
    }
    *out_pOptions = result;
    return true;
}

void PrintUsageError(const QString &in_reason)
{
    const QByteArray line =
        QByteArray(VYRCliText::kUsagePrefix) + in_reason.toUtf8() + VYRCliText::kUsageHint + '\n';
    std::fwrite(line.constData(), 1, size_t(line.size()), stderr);
}

QString StoredFilter()
{
    // The window's own store; read only, so a headless run never changes the user's settings.
    QSettings store(QStringLiteral("Quillmere"), QStringLiteral("Veyra"));
    VYRConfig config;
    config.Load(store);
    return config.Filter;
}

} // namespace

bool VYRWantsCommandLine(const QStringList &in_args)
{
    for (const QString &arg : in_args) {
        if (arg == QLatin1String("--"))
            break;
        if (arg.startsWith(QLatin1String("--"))) {
            const QString name = arg.mid(2).section(QLatin1Char('='), 0, 0);
            for (const OptionName &option : kOptions) {
                if (name == QLatin1String(option.m_long))
                    return true;
            }
            // An unknown option: the parser reports it (exit 2) with no display needed.
            if (!IsToolkitOption(arg))
                return true;
        } else if (arg.startsWith(QLatin1Char('-')) && arg.size() > 1 &&
                   (IsShortBundle(arg) || !IsToolkitOption(arg))) {
            return true;
        }
    }
    return false;
}

bool VYRParseCommandLine(const QStringList &in_args, int in_defaultJobs,
                         VYRCliOptions *out_pOptions, QString *out_pError)
{
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsCompactedShortOptions);
    parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsOptions);
    std::vector<QCommandLineOption> options;
    for (const OptionName &name : kOptions) {
        options.push_back(MakeOption(name));
        parser.addOption(options.back());
    }
    const auto isSet = [&](const char *in_long) {
        return parser.isSet(QString::fromLatin1(in_long));
    };
    const auto fail = [&](const QString &in_reason) {
        if (out_pError)
            *out_pError = in_reason;
        return false;
    };

    // QCommandLineParser expects the program name first.
    if (!parser.parse(QStringList(QStringLiteral("veyra")) + in_args))
        return fail(
            parser.errorText().chopped(parser.errorText().endsWith(QLatin1Char('.')) ? 1 : 0));

    VYRCliOptions result;
    if (isSet("help") || isSet("version")) {
        result.m_mode = isSet("help") ? VYRCliOptions::Mode::Help : VYRCliOptions::Mode::Version;
        *out_pOptions = result;
        return true;
    }
    if (isSet("undo") || isSet("history"))
        return ParseJournalMode(parser, isSet("undo"), out_pOptions, fail);
    if (isSet("suggest"))
        return ParseSuggestMode(parser, out_pOptions, fail);
    for (const char *name : {"min-confidence", "apply"}) {
        if (isSet(name))
            return fail(QString::asprintf(VYRCliText::kNeedsSuggest, name));
    }
    if (!isSet("auto-rotate")) {
        for (const char *name : {"recursive", "output", "filter", "dry-run", "jobs", "quiet",
                                 "overwrite", "keep-time"}) {
            if (isSet(name))
                return fail(
                    QString::asprintf(VYRCliText::kNeedsAutoRotate,
                                      qPrintable(QStringLiteral("--") + QLatin1String(name))));
        }
    }
    result.m_mode = VYRCliOptions::Mode::AutoRotate;
    result.m_paths = parser.positionalArguments();
    if (result.m_paths.isEmpty())
        return fail(QString::fromUtf8(VYRCliText::kNeedsPath));
    result.m_recursive = isSet("recursive");
    result.m_dryRun = isSet("dry-run");
    result.m_quiet = isSet("quiet");
    result.m_overwrite = isSet("overwrite");
    result.m_keepTime = isSet("keep-time");
    result.m_outputDir = parser.value(QStringLiteral("output"));
    result.m_hasFilter = isSet("filter");
    result.m_filter = parser.value(QStringLiteral("filter"));
    if (result.m_hasFilter && result.m_filter.trimmed().isEmpty())
        return fail(QString::fromUtf8(VYRCliText::kEmptyFilter));
    result.m_jobs = std::clamp(in_defaultJobs, 1, kVyrMaxJobs);
    if (isSet("jobs")) {
        const QString text = parser.value(QStringLiteral("jobs"));
        bool ok = false;
        const int jobs = text.trimmed().toInt(&ok);
        if (!ok || jobs < 1 || jobs > kVyrMaxJobs)
            return fail(QString::asprintf(VYRCliText::kBadJobs, qUtf8Printable(text)));
        result.m_jobs = jobs;
    }
    *out_pOptions = result;
    return true;
}

int VYRRunCommandLine(const QStringList &in_args)
{
    const int defaultJobs = std::max(1, QThread::idealThreadCount());
    VYRCliOptions options;
    QString error;
    if (!VYRParseCommandLine(in_args, defaultJobs, &options, &error)) {
        PrintUsageError(error);
        return VYR_EXIT_USAGE;
    }
    if (options.m_mode == VYRCliOptions::Mode::Help) {
        std::printf(VYRCliText::kHelp, defaultJobs);
        return VYR_EXIT_DONE;
    }
    if (options.m_mode == VYRCliOptions::Mode::Version) {
        std::printf(VYRCliText::kVersion, VEYRA_VERSION);
        return VYR_EXIT_DONE;
    }

    // The reason for a failure is on its own line already; the developers' traces would only
    // clutter a shell's output. QT_LOGGING_RULES="veyra.trace=true" still brings them back.
    QLoggingCategory::setFilterRules(QStringLiteral("veyra.trace=false"));
#if defined(__GLIBC__)
    // Every photo needs buffers of tens of megabytes. Mapped and unmapped anew for each photo,
    // they cost a page fault per 4 KiB and, with several workers, a TLB flush on every core;
    // kept in the heap they are reused by the next photo.
    mallopt(M_MMAP_THRESHOLD, 32 * 1024 * 1024);
    mallopt(M_TRIM_THRESHOLD, 512 * 1024 * 1024);
#endif

    if (options.m_mode == VYRCliOptions::Mode::Undo ||
        options.m_mode == VYRCliOptions::Mode::History)
        return VYRRunJournalCommand(options);
    if (options.m_mode == VYRCliOptions::Mode::Suggest) {
        if (!options.m_hasFilter)
            options.m_filter = StoredFilter();
        return VYRRunSuggestCommand(options);
    }

    // One run is one batch of the undo journal; a dry run writes nothing to keep.
    const VYRPrefs prefs = VYRPrefs::FromProfile();
    VYRJournalSession journal(QString::fromUtf8(VYRUndoText::kCommandLineOrigin), QString(),
                              prefs.UndoDays > 0 && !options.m_dryRun);
    journal.SetExpiry(prefs.UndoDays, qint64(prefs.UndoMegabytes) << 20);

    VYRBatchSettings settings;
    settings.m_pJournal = &journal;
    settings.m_keepTime = options.m_keepTime || prefs.KeepFileTime;
    settings.m_paths = options.m_paths;
    settings.m_filter = options.m_hasFilter ? options.m_filter : StoredFilter();
    settings.m_recursive = options.m_recursive;
    settings.m_outputDir = options.m_outputDir;
    settings.m_dryRun = options.m_dryRun;
    settings.m_overwrite = options.m_overwrite;
    settings.m_jobs = options.m_jobs;

    VYRBatchReport report(options.m_quiet, options.m_dryRun);
    VYRBatch batch(settings, &report);
    // Installed before the listing, so an early Ctrl+C also ends cleanly.
    const VYRStopSignals stopSignals;
    if (!batch.Collect(&error, &VYRStopSignals::Flag())) {
        PrintUsageError(error);
        return VYR_EXIT_USAGE;
    }
    return batch.Run(VYRStopSignals::Flag());
}
