// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
//
// Identifiers and user-visible texts of Veyra, in one place. Texts are used exactly as they
// stand here; formats take their values through QString::asprintf.
#pragma once

// Resources (menu/accelerator/document string, dialogs).
enum : unsigned
{
    IDR_MAINFRAME = 1,
    IDD_ABOUTBOX = 101,
    IDD_CONTROLBAR = 116,
    IDD_LOGVIEW = 123,
};

// Menu and accelerator commands.
enum : unsigned
{
    ID_FILE_EXIT = 40002,     // File > "E&xit"; also the close box
    ID_VIEW_REFRESH = 40006,  // View > "&Refresh\tF5"
    ID_HELP_ABOUT = 40010,    // Help > "&About Veyra"
    ID_HELP_CONTENTS = 40011, // Help > "&Contents..."
    ID_VIEW_LOG = 40013,      // View > "&Log..."
    ID_HELP = 57670,          // the framework's help command
};

// Controls of the control bar and the log view.
enum : unsigned
{
    IDC_INCLUDE_SUBDIRS = 1015, // check box "Include subdirectories"
    IDC_INPLACE = 1017,         // check box "In-place"
    IDC_THUMB_SIZE = 1018,      // combo box "Small"/"Medium"/"Large"
    IDC_SOURCE_BROWSE = 1025,   // "..." beside the source folder
    IDC_SOURCE_PATH = 1026,     // label: source folder
    IDC_DEST_BROWSE = 1027,     // "..." beside the output folder
    IDC_DEST_PATH = 1028,       // label: output folder
    IDC_AUTO_ROTATE = 1032,     // "Auto Rotate"
    IDC_LOG_LIST = 1033,        // the log view's list
};

// Child window identifiers of the frame.
enum : unsigned
{
    AFX_IDW_STATUS_BAR = 59393,
    AFX_IDW_CONTROLBAR = 59394,
    AFX_IDW_PANE_FIRST = 59648,
};

// Numbered strings of the string table.
enum : unsigned
{
    IDS_APP_TITLE = 57344,    // "Veyra"
    IDS_IDLEMESSAGE = 57345,  // "Ready"
    IDS_UNTITLED = 61443,     // "0 items pending"
    IDS_STOP_LOADING = 61444, // the stop-loading question
    IDS_PENDING = 61445,      // "Pending..."
    IDS_PROCESSING = 61446,   // "Processing..."
    IDS_QUIT_PENDING = 61447, // the quit question
};

// Private window messages (QL_WM_USER + n).
enum : unsigned
{
    WM_ROTATION_STARTED = 0x0400 + 1,
    WM_ROTATION_DONE = 0x0400 + 2,
    WM_LOADING_STOPPED = 0x0400 + 3,
};

namespace VYRText {
// String table.
inline constexpr char kAppTitle[] = "Veyra";
inline constexpr char kDocString[] =
    "Veyra\n\n\n\n\n\n"; // resource 1; also the folder picker title
inline constexpr char kIdleMessage[] = "Ready";
inline constexpr char kUntitled[] = "0 items pending";
inline constexpr char kStopLoading[] =
    "You have chosen to terminate loading of the current path.\n\n"
    "Do you wish to terminate loading of the current path?";
inline constexpr char kPending[] = "Pending...";
inline constexpr char kProcessing[] = "Processing...";
inline constexpr char kQuitPending[] =
    "There are still images in the rotation queue.\n\n"
    "Are you sure that you wish to quit and lose all pending rotations?";
inline constexpr char kItemsPendingFormat[] = "%d items pending";
inline constexpr char kReadOnly[] = "File or folder is read-only. Please select a different output "
                                    "folder or modify the read-only attribute.";

// Event log lines.
inline constexpr char kLogOpening[] = "Opening folder %s";
inline constexpr char kLogQueueing[] = "Queueing image '%s' for %d degree rotation";
inline constexpr char kLogAutoQueueing[] = "Auto - Queueing image '%s' for %d degree rotation";
inline constexpr char kLogAutoOriented[] = "Auto - Image '%s' already properly oriented";
inline constexpr char kLogAutoNoInfo[] = "Auto - No orientation information for '%s'";
inline constexpr char kLogRotated[] = "Successfully rotated '%s'";
// In its place when the job also undid the file's mirror (a mirrored Exif Orientation).
inline constexpr char kLogRotatedMirrored[] = "Successfully rotated and mirrored '%s'";
inline constexpr char kLogFailed[] = "Failed to rotate '%s'";
// Before kLogFailed when the output name belongs to another photo: output path, its source.
inline constexpr char kLogOutputTaken[] = "'%s' is the output of '%s' in this session; "
                                          "not replaced";
// A folder scan's files without a thumbnail: what is not a photo, and what the walk cannot
// reach (a name that is not valid UTF-8 shows its bad bytes as \xNN).
inline constexpr char kLogNotJpeg[] = "'%s' is not a JPEG photo";
inline constexpr char kLogCannotRead[] = "'%s' cannot be read; skipped";
inline constexpr char kLogNameNotUtf8[] = "'%s' has a name that is not valid UTF-8; skipped";
inline constexpr char kLogPathTooLong[] = "'%s' has a path longer than the system allows; skipped";

// Auto Rotate's summary.
inline constexpr char kAutoSummary[] =
    "%d\timages considered\n"
    "%d\trotated based on camera orientation information\n"
    "%d\thad orientation information indicating correct orientation\n"
    "%d\twere skipped due to pending operation\n"
    "%d\twere skipped due to lack of orientation information";

// Menu, with the status-bar prompt of each command.
inline constexpr char kMenuFile[] = "&File";
inline constexpr char kMenuExit[] = "E&xit";
inline constexpr char kPromptExit[] = "Quit the application";
inline constexpr char kMenuView[] = "&View";
inline constexpr char kMenuLog[] = "&Log...";
inline constexpr char kPromptLog[] = "View event log";
inline constexpr char kMenuRefresh[] = "&Refresh\tF5";
inline constexpr char kPromptRefresh[] = "Reload thumbnail images";
inline constexpr char kMenuHelp[] = "&Help";
inline constexpr char kMenuContents[] = "&Contents...";
inline constexpr char kPromptContents[] = "Displays table of contents for the online documentation";
inline constexpr char kMenuAbout[] = "&About Veyra";
inline constexpr char kPromptAbout[] = "About Veyra";

// Control bar.
inline constexpr char kBrowseButton[] = "...";
inline constexpr char kIncludeSubdirs[] = "Include subdirectories";
inline constexpr char kInplace[] = "In-place";
inline constexpr char kSizeSmall[] = "Small";
inline constexpr char kSizeMedium[] = "Medium";
inline constexpr char kSizeLarge[] = "Large";
inline constexpr char kAutoRotate[] = "Auto Rotate";
inline constexpr char kAutoRotateButton[] = "&Auto Rotate"; // kAutoRotate with its mnemonic
inline constexpr char kSourceBrowseTip[] = "Choose the source folder";
inline constexpr char kDestBrowseTip[] = "Choose the output folder";

// Status bar while jobs run.
inline constexpr char kProgressFormat[] = "%v of %m";        // photos done of the batch
inline constexpr char kProgressFile[] = "Turning '%s'";      // the file being written
inline constexpr char kProgressName[] = "Rotation progress"; // accessible name of the bar

// Dialogs.
inline constexpr char kAboutCaption[] = "About Veyra";
inline constexpr char kAboutVersion[] = "Veyra v1.1";
inline constexpr char kAboutMaker[] = "Quillmere";
inline constexpr char kLogViewCaption[] = "Veyra - Log View";

// Task list columns.
inline constexpr char kColStatus[] = "Status";
inline constexpr char kColSource[] = "Source";
inline constexpr char kColOutput[] = "Output";
inline constexpr char kColRotation[] = "Rotation";

// Help file, opened from the current folder.
inline constexpr char kHelpFile[] = "veyra.chm";
} // namespace VYRText

// Why a photo was not turned, one text per engine result, each naming the photo (or, for an
// output name that is taken, the output). Shown in the window's log and on the command line.
namespace VYRReasonText {
inline constexpr char kInvalidParameter[] =
    "'%s' was not turned: Veyra asked for a turn it does not know (a fault of Veyra)";
inline constexpr char kNoMemory[] = "Not enough memory to turn '%s'; it is left as it is";
inline constexpr char kFileNotFound[] = "'%s' no longer exists";
inline constexpr char kFileRead[] = "'%s' cannot be read";
inline constexpr char kFileFormat[] = "'%s' is not a JPEG photo";
inline constexpr char kFileDamaged[] =
    "The picture data of '%s' is damaged or incomplete; it is left as it is";
inline constexpr char kFolderNotFound[] = "The folder '%s' is to be written to does not exist";
inline constexpr char kEmptyBitmap[] = "'%s' holds no picture";
inline constexpr char kStopped[] = "Reading '%s' was stopped";
inline constexpr char kPathTooLong[] = "The path of '%s' is longer than the system allows";
inline constexpr char kTransform[] = "The lossless turn of '%s' failed; it is left as it is";
inline constexpr char kFileWrite[] =
    "The turned '%s' could not be written; the photo is left as it is";
inline constexpr char kDiskFull[] = "The disk is full; '%s' is left as it is";
inline constexpr char kFolderChanged[] =
    "The folder of '%s' went away while it was being written; nothing was replaced";
inline constexpr char kPaint[] = "'%s' could not be drawn";
inline constexpr char kNotLossless[] =
    "'%s' is narrower than one block of the picture along an edge the turn moves; it cannot "
    "be turned without loss and is left as it is";
inline constexpr char kFinish[] =
    "The last check of the turned '%s' refused it; it is left as it is";
inline constexpr char kTooCostly[] =
    "'%s' claims a picture far larger than its file can hold; it is left as it is";
inline constexpr char kCancelled[] = "Turning '%s' was stopped; it is left as it is";
inline constexpr char kMultiPicture[] =
    "'%s' holds several pictures that cannot all be turned together; it is left as it is";
inline constexpr char kOutputExists[] = "'%s' already exists in the output folder; not replaced";
inline constexpr char kSourceChanged[] = "'%s' changed while it was being turned; not replaced";
inline constexpr char kMetadataDamaged[] =
    "'%s' was not turned: its metadata is damaged and cannot be edited safely; it is left as "
    "it is";
inline constexpr char kFileTooLarge[] =
    "'%s' is larger than 1 GiB, more than any photo; it is left as it is";
inline constexpr char kUnreachable[] =
    "'%s' has a name that is not valid UTF-8 and cannot be opened; it is left as it is";
inline constexpr char kReadOnly[] = "'%s' or its folder is read-only; it is left as it is";
inline constexpr char kSidecar[] =
    "The XMP sidecar of '%s' cannot be read, edited safely or written; the photo and its "
    "sidecar are left as they are";
inline constexpr char kUnknown[] = "'%s' could not be turned; it is left as it is";
// A turn that had to trim the partial blocks along an edge it moves.
inline constexpr char kTrimmedOne[] = "'%s': trimmed %d %s from the %s edge";
inline constexpr char kTrimmedBoth[] =
    "'%s': trimmed %d %s from the right edge and %d %s from the bottom edge";
inline constexpr char kPixel[] = "pixel";
inline constexpr char kPixels[] = "pixels";
inline constexpr char kRightEdge[] = "right";
inline constexpr char kBottomEdge[] = "bottom";
} // namespace VYRReasonText

// Undo, redo and the journal of turns: the window's and the command line's texts.
namespace VYRUndoText {
inline constexpr char kWindowOrigin[] = "window"; // a batch's origin, as the journal keeps it
inline constexpr char kCommandLineOrigin[] = "command line";
// Why a photo could not be journalled or restored, each naming the photo.
inline constexpr char kJournalUnusable[] =
    "The undo journal cannot be written, so '%s' was not turned; it is left as it is";
inline constexpr char kJournalFormat[] =
    "The undo journal is damaged or from a newer Veyra, so '%s' was not turned";
inline constexpr char kUnknownRecord[] = "The undo journal holds no record of '%s'";
inline constexpr char kChanged[] = "'%s' was changed after Veyra wrote it; it is left as it is";
inline constexpr char kMissing[] = "'%s' is no longer there; nothing was restored";
inline constexpr char kNoOriginal[] =
    "The original of '%s' is no longer kept (it expired or its drive is gone)";
inline constexpr char kOriginalDamaged[] =
    "The kept original of '%s' is damaged; the photo is left as it is";
inline constexpr char kAlreadyRestored[] = "'%s' was already restored";
inline constexpr char kStillWriting[] = "'%s' is still being written; try again when it is done";
inline constexpr char kUnreadable[] = "'%s' cannot be read; it is left as it is";
inline constexpr char kOccupied[] =
    "A file appeared at '%s' after Veyra wrote there; it is left as it is";
// The window.
inline constexpr char kMenuEdit[] = "&Edit";
inline constexpr char kMenuUndo[] = "&Undo";
inline constexpr char kMenuRedo[] = "&Redo";
inline constexpr char kMenuHistory[] = "&History...";
inline constexpr char kMenuKeepDates[] = "Keep File &Dates";
inline constexpr char kPromptKeepDates[] =
    "Written photos keep their modification date instead of getting the time of the turn";
inline constexpr char kSettling[] = "Settling...";
inline constexpr char kLogCancelledOut[] = "Nothing to write for '%s': its turns cancel out";
inline constexpr char kLogRestored[] = "Restored '%s'";
inline constexpr char kLogNotRestored[] = "Could not restore '%s'";
inline constexpr char kNothingToUndo[] = "There is nothing to undo.";
inline constexpr char kNothingToRedo[] = "There is nothing to redo.";
inline constexpr char kWaitForQueue[] =
    "Photos are still waiting to be turned. Undo and redo are possible once they are written.";
inline constexpr char kUndoOff[] =
    "Undo is turned off (the UndoDays setting is 0): turns are not kept.";
inline constexpr char kRestoring[] = "Restoring photos...";
inline constexpr char kRestoredAll[] = "%d photos restored.";
inline constexpr char kRestoredSome[] =
    "%d photos restored, %d not (the log says why). Nothing else was changed.";
inline constexpr char kHistoryCaption[] = "History";
inline constexpr char kHistoryRestore[] = "&Restore";
inline constexpr char kHistoryColumns[] = "Batch;Time;Origin;Photos;State";
inline constexpr char kRecordColumns[] = "Photo;Turn;State";
inline constexpr char kStateTurned[] = "turned";
inline constexpr char kStateUndone[] = "taken back";
inline constexpr char kStatePartly[] = "%d of %d taken back";
inline constexpr char kStateUndoOf[] = "undo of %lld";
inline constexpr char kStateRedoOf[] = "redo of %lld";
inline constexpr char kRecordWritten[] = "written";
inline constexpr char kRecordPending[] = "being written";
inline constexpr char kRestoreOf[] = "restore";
inline constexpr char kTurnClockwise[] = "turned 90 degrees clockwise";
inline constexpr char kTurnHalf[] = "turned 180 degrees";
inline constexpr char kTurnCounter[] = "turned 90 degrees counter-clockwise";
inline constexpr char kMirrored[] = "mirrored";
inline constexpr char kMirroredThen[] = "mirrored, then %s";
inline constexpr char kSidecarEdited[] = "sidecar made to match";
} // namespace VYRUndoText

// Texts carried by the wrapper's error records (never shown to the user).
namespace QLImgText {
inline constexpr char kEngineError[] = "LEAD Tools Error";
inline constexpr char kModule[] = "qlimg";
inline constexpr char kFnConstructor[] = "QLImage::QLImage()";
inline constexpr char kFnRotate[] = "QLImage::Rotate()";
inline constexpr char kFnDisplay[] = "QLImage::Display()";
inline constexpr char kFnLoadThumbnails[] = "QLLoadThumbnails()";
inline constexpr char kFnRotateFile[] = "QLRotateFile()";
} // namespace QLImgText

// Trace texts of the worker.
namespace VYRWorkerText {
inline constexpr char kAttributesError[] = "Error getting file attributes: %d\n";
inline constexpr char kTagError[] = "Error updating IFD tag data\n";
inline constexpr char kFileTimeError[] = "Error setting file time: %d\n";
inline constexpr char kExiting[] = "Exiting thread normally...\n";
inline constexpr char kPathTooLong[] = "Output path too long: '%s'\n";
inline constexpr char kNoOutputFolder[] = "No output folder chosen\n";
} // namespace VYRWorkerText

// The thumbnail grid's file names, tooltips, selection, preview and empty-folder notice.
namespace VYRGridText {
inline constexpr char kMenuShowNames[] = "Show File &Names";
inline constexpr char kPromptShowNames[] = "Show each photo's file name under its thumbnail";
inline constexpr char kSelectedCount[] = "%1 selected";
inline constexpr char kEmptyFolder[] = "No photos matching \"%1\" in this folder";
inline constexpr char kTipFolder[] = "Folder: %1";
inline constexpr char kTipPixels[] = "Size: %1 x %2 pixels, %3";
inline constexpr char kTipFileSize[] = "File size: %1";
inline constexpr char kTipTaken[] = "Taken: %1";
inline constexpr char kTipModified[] = "Modified: %1 (no date taken)";
inline constexpr char kTipOrientation[] = "Orientation: %1";
inline constexpr char kTipPending[] = "Pending turn: %1";
inline constexpr char kTipReading[] = "Reading the photo's details...";
inline constexpr char kTipUnreadable[] = "The photo's details cannot be read";
inline constexpr char kTurnNone[] = "none";
inline constexpr char kTurnRight[] = "90\u00b0 clockwise";
inline constexpr char kTurnLeft[] = "90\u00b0 counter-clockwise";
inline constexpr char kTurnHalf[] = "180\u00b0";
inline constexpr char kTurnMirror[] = "mirror undone";
inline constexpr char kTurnMirrorThen[] = "mirror undone, then %1";
// The Exif Orientation values 1-8 in words: what a viewer does to show the stored picture.
inline constexpr const char *kOrientWords[9] = {
    "not set",
    "1, upright",
    "2, mirrored left-right",
    "3, upside down (turn 180\u00b0)",
    "4, mirrored top-bottom",
    "5, mirrored and turned 90\u00b0 counter-clockwise",
    "6, on its side (turn 90\u00b0 clockwise)",
    "7, mirrored and turned 90\u00b0 clockwise",
    "8, on its side (turn 90\u00b0 counter-clockwise)",
};
inline constexpr char kPreviewTitle[] = "%1 (%2 of %3)";
inline constexpr char kPreviewFailed[] = "'%1' cannot be shown: %2";
} // namespace VYRGridText

// Turns suggested from the pictures themselves: the Tools menu, the badges' tooltip, the log.
namespace VYRSuggestText {
inline constexpr char kMenuTools[] = "&Tools";
inline constexpr char kMenuSuggest[] = "&Suggest Turns";
inline constexpr char kPromptSuggest[] =
    "Look at the photos that carry no orientation and suggest the turn that makes each upright";
inline constexpr char kMenuStop[] = "S&top Suggesting";
inline constexpr char kPromptStop[] = "Stop looking at the photos; the suggestions made stay";
inline constexpr char kMenuAcceptAll[] = "&Accept All Suggestions";
inline constexpr char kPromptAcceptAll[] = "Queue every suggested turn, as clicks would";
inline constexpr char kMenuAcceptSelected[] = "Accept Suggestions for S&election";
inline constexpr char kPromptAcceptSelected[] = "Queue the suggested turns of the selected photos";
inline constexpr char kMenuDismissSelected[] = "&Dismiss Suggestions for Selection";
inline constexpr char kPromptDismissSelected[] =
    "Take the suggestions of the selected photos away without turning them";
inline constexpr char kTipSuggested[] = "Suggested turn: %1 (%2)";
inline constexpr char kProgress[] = "Looking at photo %1 of %2...";
inline constexpr char kDone[] = "Suggested turns for %1 of %2 photos";
inline constexpr char kStopped[] = "Stopped: suggested turns for %1 of %2 photos looked at";
inline constexpr char kLogSuggested[] = "Suggesting a %d degree rotation for '%s' (%s)";
inline constexpr char kLogUnreadable[] = "Cannot look at '%s': %s";
inline constexpr char kUnavailable[] = "Turn suggestions are not available: %1";
inline constexpr char kNothingToLookAt[] =
    "There are no photos to look at: the folder is empty or every photo has a turn pending.";
// Added under the Auto Rotate summary when some photos had nothing for it to go by.
inline constexpr char kAutoRotateHint[] =
    "\n\n%d of these photos carry no orientation or say they are upright: Tools > Suggest "
    "Turns can look at their pictures.";
} // namespace VYRSuggestText
// Controls of the window's shell added to the control bar and the log window.
enum : unsigned
{
    IDC_FILTER = 1040,   // the file-type filter beside the thumbnail size
    IDC_LOG_COPY = 1041, // the log window's buttons
    IDC_LOG_SAVE = 1042,
    IDC_LOG_CLEAR = 1043,
};

// Texts of the window's shell: status, folder fields, log window, theme, help, About.
namespace VYRShellText {
// The status bar's message pane; the numbers carry the locale's digit grouping.
inline constexpr char kStatusLoading[] = "Loading %1 photos...";
inline constexpr char kStatusStopped[] = "Stopped: %1 photos shown";
inline constexpr char kStatusPhotos[] = "%1 photos";
inline constexpr char kStatusOnePhoto[] = "1 photo";
inline constexpr char kStatusMissing[] = "The folder '%1' does not exist";
inline constexpr char kStatusUnreadable[] = "The folder '%1' cannot be read";
inline constexpr char kFolderMissing[] =
    "The folder '%1' does not exist. Choose another folder with \"...\" or type its path.";
inline constexpr char kFolderUnreadable[] =
    "The folder '%1' cannot be read: you may not list its files. Choose another folder.";
inline constexpr char kStopButton[] = "Stop";
inline constexpr char kStopTip[] = "Stop loading the thumbnails (Esc)";
inline constexpr char kScanProgressName[] = "Loading progress";
// The folder picker's title.
inline constexpr char kPickSourceTitle[] = "Choose a Folder";
// Folder fields and the file-type filter.
inline constexpr char kSourceFieldName[] = "Source folder";
inline constexpr char kDestFieldName[] = "Output folder";
inline constexpr char kFieldTip[] = "Type or paste a folder and press Enter";
inline constexpr char kRecentFolders[] = "Recent folders";
inline constexpr char kNoRecentFolders[] = "No recent folders";
inline constexpr char kFilterName[] = "File types";
inline constexpr char kFilterJpeg[] = "JPEG (*.jpg, *.jpeg)";
inline constexpr char kFilterJpegPatterns[] = "*.jpg;*.jpeg";
inline constexpr char kFilterCustom[] = "Custom...";
inline constexpr char kFilterCustomTitle[] = "File Types";
inline constexpr char kFilterCustomLabel[] =
    "Patterns of the files to show, separated by ';' (for example *.jpg;*.jpe):";
// The log window.
inline constexpr char kLogTitle[] = "Event Log";
inline constexpr char kLogCopy[] = "&Copy";
inline constexpr char kLogSave[] = "&Save As...";
inline constexpr char kLogClear[] = "C&lear";
inline constexpr char kLogClose[] = "Close";
inline constexpr char kLogSaveTitle[] = "Save Event Log";
inline constexpr char kLogSaveFilter[] = "Text files (*.txt);;All files (*)";
inline constexpr char kLogSaveFailed[] = "The log could not be saved to '%1': %2";
inline constexpr char kLogDefaultName[] = "veyra-log.txt";
// View > Theme.
inline constexpr char kMenuTheme[] = "&Theme";
inline constexpr char kThemeSystem[] = "&System";
inline constexpr char kThemeLight[] = "&Light";
inline constexpr char kThemeDark[] = "&Dark";
inline constexpr char kPromptTheme[] = "Follow the desktop's colours, or always light or dark";
// Help.
inline constexpr char kHelpNotShown[] =
    "The help could not be shown: no program to open '%1' could be started. Install a web "
    "browser, or open the file by hand.";
inline constexpr char kHelpMissing[] = "The help pages are not installed.";
// About.
inline constexpr char kAboutLicence[] = "Licensed under the MIT License.";
inline constexpr char kAboutCredits[] = "Made by the Veyra developers for Quillmere.";
inline constexpr char kAboutLibraries[] = "Built with Qt %1 (running on %2) and libjpeg-turbo %3.";
inline constexpr char kAboutSummary[] = "Turns JPEG photos upright losslessly, in batches.";
} // namespace VYRShellText
