// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
//
// Texts of the command line. The per-photo lines and the summary are the window's own
// (resource.h); what only a shell user sees lives here.
#pragma once

namespace VYRCliText {

// `veyra --help`: a manual page in miniature. %d is the default number of jobs.
inline constexpr char kHelp[] =
    "NAME\n"
    "    veyra - turn JPEG photos upright, losslessly\n"
    "\n"
    "SYNOPSIS\n"
    "    veyra [FOLDER]\n"
    "    veyra --auto-rotate [--recursive] [--output DIR] [--filter PATTERNS]\n"
    "          [--overwrite] [--dry-run] [--jobs N] [--quiet] PATH...\n"
    "    veyra --suggest [--recursive] [--min-confidence X] [--apply] PATH...\n"
    "    veyra --undo [BATCH]\n"
    "    veyra --history [BATCH]\n"
    "    veyra --help | --version\n"
    "\n"
    "DESCRIPTION\n"
    "    Without --auto-rotate, Veyra opens its window, showing FOLDER when one is given.\n"
    "\n"
    "    With --auto-rotate, Veyra needs no window and no display. It reads the Exif\n"
    "    Orientation of every photo named, and of the photos in the folders named, and\n"
    "    turns the ones that need it: Orientation 3 a half turn, 6 a quarter turn\n"
    "    clockwise, 8 a quarter turn counter-clockwise; a mirrored photo (2, 4, 5, 7) is\n"
    "    mirrored back as well, in the same write. The turn is lossless, and the turned\n"
    "    photo is written whole, with its Orientation set to 1, in one atomic step: a photo\n"
    "    is never left half-written. Photos that are upright or carry no orientation are\n"
    "    left alone and counted. Photos are chosen by the file filter, in folders and among\n"
    "    the files named alike.\n"
    "\n"
    "OPTIONS\n"
    "    -a, --auto-rotate      Turn the photos of the PATHs upright, without a window.\n"
    "    -r, --recursive        Include the subfolders of the folders named.\n"
    "    -o, --output DIR       Write the turned photos into the existing folder DIR under\n"
    "                           their own names; the originals stay as they are. Two photos\n"
    "                           with the same name: the first is written, the second fails.\n"
    "                           A file already in DIR under a photo's name is not replaced:\n"
    "                           that photo fails. Without --output the photos are turned in\n"
    "                           place.\n"
    "        --overwrite        With --output: replace files already in DIR under the\n"
    "                           photos' names (an earlier run's results, for instance).\n"
    "                           Photos of this run are never replaced.\n"
    "    -f, --filter PATTERNS  File-name patterns separated by ';', such as\n"
    "                           \"*.jpg;*.jpeg\" (default: the window's Filter setting,\n"
    "                           *.jpg). Case does not matter.\n"
    "    -n, --dry-run          Say what would be turned; write nothing.\n"
    "    -j, --jobs N           Turn N photos at once, 1 to 256 (default: %d, the number of\n"
    "                           processors). Lines still come in folder order.\n"
    "    -q, --quiet            Print only the summary: no line per photo, no progress.\n"
    "    -p, --keep-time        Give each written photo the modification time it had\n"
    "                           (to the nanosecond) instead of the time of the turn. Also\n"
    "                           the window's View > Keep File Dates setting.\n"
    "        --suggest          Look at the pictures of the PATHs that carry no\n"
    "                           orientation (or Orientation 1) for faces and lines of text,\n"
    "                           and print, for each one that stands turned, a line:\n"
    "                           path, the turn that makes it upright (90, 180 or -90,\n"
    "                           clockwise), a confidence from 0 to 1 and the evidence\n"
    "                           (faces:N, text), separated by tabs. Photos tagged with\n"
    "                           another orientation are left to --auto-rotate. -r and\n"
    "                           --filter work as for --auto-rotate.\n"
    "        --min-confidence X With --suggest: list only suggestions at least X sure\n"
    "                           (0 to 1, default 0.80).\n"
    "        --apply            With --suggest: also write the turns listed, losslessly and\n"
    "                           journalled like any other turn (see UNDO).\n"
    "        --undo [BATCH]     Give the photos of the last batch (or of BATCH) back the\n"
    "                           bytes they had before it. A batch is one run of this\n"
    "                           command, one window session's turns between two undos,\n"
    "                           or an undo; undoing an undo is a redo. A photo changed\n"
    "                           since Veyra wrote it is not touched.\n"
    "        --history [BATCH]  List the batches the undo journal holds, newest first, or\n"
    "                           the photos of BATCH.\n"
    "    -h, --help             Show this help.\n"
    "    -v, --version          Show the version.\n"
    "\n"
    "OUTPUT\n"
    "    One line per photo turned or failed, in folder order (a failure's reason on the\n"
    "    next line, indented), then the counts of the window's Auto Rotate summary. While\n"
    "    it runs, a counter of the photos left is shown on standard error when that is a\n"
    "    terminal. Ctrl+C stops after the photos being written are complete.\n"
    "\n"
    "EXIT STATUS\n"
    "    0    every photo that needed a turn got it (with --dry-run: would get it)\n"
    "    1    at least one photo could not be turned or read; the others were done\n"
    "    2    bad usage: an unknown option, a PATH or DIR that does not exist or cannot be\n"
    "         read, a bad --jobs value; nothing was done\n"
    "    130  stopped by Ctrl+C (SIGINT) or SIGTERM; no photo was left half-written\n"
    "    With --suggest: 0 it ran (photos that could not be read are named on standard\n"
    "    error), 1 an --apply write failed, 2 bad usage or missing detector data.\n"
    "    With --undo: 0 every photo was restored, 1 a photo could not be (it is left as it\n"
    "    is) or there was nothing to undo, 2 bad usage or an unknown BATCH.\n"
    "\n"
    "UNDO\n"
    "    Every photo written is recorded in a journal in $XDG_DATA_HOME/Quillmere/Veyra/\n"
    "    journal (usually under ~/.local/share), and the bytes it replaced are kept there\n"
    "    (a hard link, so no copy where the journal and the photo share a file system; on\n"
    "    another file system in a hidden .veyra-kept folder beside the photo). What is kept\n"
    "    is dropped after 30 days, and the oldest first when it takes more than 2 GiB\n"
    "    (settings UndoDays and UndoMegabytes; UndoDays=0 turns the journal off). An undo\n"
    "    gives the photo its exact original bytes back, including the edge pixels a turn\n"
    "    had to trim.\n"
    "\n"
    "EXAMPLES\n"
    "    veyra --auto-rotate --recursive --dry-run /media/card/DCIM\n"
    "    veyra --auto-rotate -r --output ~/Pictures/upright /media/card/DCIM\n"
    "    veyra --suggest -r ~/Pictures/scans\n";

inline constexpr char kVersion[] = "Veyra %s\n";

// Bad usage: one line on standard error.
inline constexpr char kUsagePrefix[] = "veyra: ";
inline constexpr char kUsageHint[] = " (see veyra --help)";
inline constexpr char kNeedsAutoRotate[] = "%s needs --auto-rotate";
inline constexpr char kNeedsPath[] = "--auto-rotate needs at least one file or folder";
inline constexpr char kBadJobs[] = "--jobs takes a whole number from 1 to 256, not '%s'";
inline constexpr char kEmptyFilter[] = "--filter needs at least one pattern";
inline constexpr char kPathMissing[] = "'%s' does not exist";
inline constexpr char kPathUnreadable[] = "'%s' cannot be read";
inline constexpr char kPathNotPhoto[] = "'%s' is neither a file nor a folder";
inline constexpr char kOutputMissing[] = "output folder '%s' does not exist";
inline constexpr char kOutputNotFolder[] = "output '%s' is not a folder";

// --suggest.
inline constexpr char kNeedsSuggest[] = "--%s needs --suggest";
inline constexpr char kNotWithSuggest[] = "--%s cannot be used with --suggest";
inline constexpr char kSuggestNeedsPath[] = "--suggest needs at least one file or folder";
inline constexpr char kBadConfidence[] = "--min-confidence takes a number from 0 to 1, not '%s'";
inline constexpr char kSuggesterNotReady[] = "the suggester cannot work: %s";
// On standard error, for a photo that could not be looked at or written.
inline constexpr char kSuggestUnreadable[] = "veyra: cannot look at '%s': %s\n";
inline constexpr char kSuggestApplyFailed[] = "veyra: could not turn '%s': %s\n";
// Standard output, tab-separated: path, angle, confidence, evidence.
inline constexpr char kSuggestLine[] = "%s\t%d\t%.2f\t%s\n";

// Per-photo lines that the window has no words for.
inline constexpr char kWouldRotate[] = "Would rotate '%s' by %d degrees";
inline constexpr char kWouldMirror[] = "Would mirror '%s'";
inline constexpr char kWouldMirrorRotate[] = "Would mirror '%s' and rotate it by %d degrees";
inline constexpr char kWouldFail[] = "Would fail to rotate '%s'";
inline constexpr char kSkippedByFilter[] = "Skipping '%s': its name does not match '%s'";

// After the summary.
inline constexpr char kFailedCount[] = "%d\tcould not be rotated";

// Standard error while running.
inline constexpr char kProgress[] = "%d of %d photos, %d left";
inline constexpr char kStopping[] = "Stopping: finishing the photos being written (%d not started)";

// Reasons, on the line after "Failed to rotate".
inline constexpr char kReasonUnreadable[] = "Cannot read the photo: %s";
inline constexpr char kReasonOutputTaken[] =
    "Its output '%s' is already written from '%s' in this run";
inline constexpr char kReasonOutputIsSource[] =
    "Its output '%s' is another photo of this run, which is not replaced";
// What the engine answered is told in the words of VYRReasonText (resource.h).

// What the listing cannot reach and what is no photo: a line each on standard output, in the
// place of a photo's line, and a count after the summary. A name that is not valid UTF-8 shows
// its bad bytes as \xNN.
inline constexpr char kNotJpeg[] = "'%s' is not a JPEG photo";
inline constexpr char kCannotReadEntry[] = "'%s' cannot be read: %s; skipped";
inline constexpr char kNameNotUtf8[] = "'%s' has a name that is not valid UTF-8; skipped";
inline constexpr char kPathTooLong[] =
    "'%s' has a path of %d bytes, longer than the system allows; skipped";
inline constexpr char kNotJpegCount[] = "%d\twere not JPEG photos";
inline constexpr char kUnreachableCount[] = "%d\tcould not be reached";

// --undo and --history.
inline constexpr char kJournalAlone[] = "--%s cannot be used with --undo or --history";
inline constexpr char kUndoOrHistory[] = "--undo and --history cannot be used together";
inline constexpr char kOneBatch[] = "--undo and --history take at most one batch number";
inline constexpr char kBadBatch[] = "'%s' is not a batch number";
inline constexpr char kUnknownBatch[] = "there is no batch %lld (see veyra --history)";
inline constexpr char kJournalOff[] = "undo is turned off (the UndoDays setting is 0)";
inline constexpr char kJournalBroken[] = "the undo journal at '%s' cannot be read";
inline constexpr char kNothingToUndo[] = "Nothing to undo";
inline constexpr char kNothingLeft[] = "Every photo of batch %lld was already restored";
inline constexpr char kUndoSummary[] = "%d	restored\n%d	not restored\n";
inline constexpr char kHistoryEmpty[] = "The journal holds no batches";
// One batch a line, newest first: id, local time, origin, photos, state.
inline constexpr char kHistoryLine[] = "%lld\t%s\t%s\t%d photos\t%s\n";
// One photo a line: path, what was done, its state.
inline constexpr char kRecordLine[] = "%s\t%s\t%s\n";

} // namespace VYRCliText
