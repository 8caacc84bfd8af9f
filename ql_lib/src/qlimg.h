// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
//
// The image object, the error records of the imaging wrapper, thumbnail loading and file
// rotation: the program's only contact with the imaging engine.
#pragma once

#include "resource.h"
#include "vyrengine.h"

#include <QSize>
#include <QString>
#include <cstdint>

class QPainter;
class QWidget;

// An error record. Thrown as a pointer to an object made with new; whoever catches it
// deletes it (catch by QLException * catches QLImageException too) and decides by code alone.
// Each text is copied when not null and cut to its field's size.
struct tagQL_ERRSTRUCT
{
    tagQL_ERRSTRUCT();
    tagQL_ERRSTRUCT(int32_t in_code, const char *in_pMessage, const char *in_pFile,
                    const char *in_pFunction);
    // Virtual so that deleting a derived record through a base pointer is well defined.
    virtual ~tagQL_ERRSTRUCT() = default;

    int32_t code;       // engine result or system error number
    char message[1024]; // e.g. "LEAD Tools Error"
    char file[260];     // the module that threw, e.g. "qlimg"
    char function[256]; // e.g. "QLRotateFile()"
};

struct QLException : public tagQL_ERRSTRUCT
{
    using tagQL_ERRSTRUCT::tagQL_ERRSTRUCT;
};

struct QLImageException : public QLException
{
    using QLException::QLException;
};

// A file path and its in-memory bitmap (normally a thumbnail). Always holds a bitmap: the
// constructors copy one in through the engine or throw. Copies are deep.
class QLImage
{
public:
    // Copies in_other's bitmap through the engine, then its path, rotate parameter and mirror
    // mark.
    // Throws QLImageException* (code = engine result, function "QLImage::QLImage()").
    QLImage(const QLImage &in_other);
    // Copies in_bitmap through the engine (the record stays the caller's) and keeps the path
    // whole; the rotate parameter is 0. Throws as the copy constructor.
    QLImage(const QString &in_pathName, const VYRBitmap &in_bitmap);
    // Frees the bitmap through the engine.
    virtual ~QLImage();

    QLImage &operator=(const QLImage &) = delete;

    // Turns the bitmap clockwise by 90, 180 or -90 degrees. Any other angle fails the
    // precondition and is carried out as a turn by 0. Throws QLImageException* (function
    // "QLImage::Rotate()") when the engine fails.
    virtual void Rotate(int in_angle);
    // Paints the bitmap at its own (display) size divided by the pixel ratio, with its
    // top-left corner at (in_x, in_y).
    // Throws QLImageException* (function "QLImage::Display()") when the engine fails.
    virtual void Display(QPainter *in_pDC, int in_x, int in_y);

    QString GetPathName() const { return m_name; }
    // The part after the last '/' or '\\' (a separator in the first position does not
    // count); empty when there is none.
    QString GetFileName() const;
    // The part before the last '/' or '\\'; the whole path when there is none.
    QString GetDirectory() const;
    void SetPathName(const QString &in_pathName) { m_name = in_pathName; }

    // Width x height of the bitmap, exchanged for the orientation codes 4, 5, 7 and 8.
    QSize GetDisplaySize() const;

    // Whether the file's Exif Orientation is mirrored (2, 4, 5, 7) and the bitmap shows the
    // picture with that mirror undone (the loader's thumbnails do). A job for such a file
    // writes the mirror's undoing before its turn. Copied with the image; false unless set.
    bool IsFileMirrored() const { return m_bFileMirrored; }
    void SetFileMirrored(bool in_bMirrored) { m_bFileMirrored = in_bMirrored; }

    // Bitmap pixels per logical pixel of the window: a thumbnail made for a 2x screen holds
    // twice the box's pixels on each side and is painted into the box, one bitmap pixel to
    // one screen pixel. Copied with the image; 1 unless set, and a ratio <= 0 reads as 1.
    void SetPixelRatio(double in_ratio) { m_pixelRatio = in_ratio > 0 ? in_ratio : 1.0; }
    double GetPixelRatio() const { return m_pixelRatio; }

    // Passed as the last argument of every engine rotation; 0 unless set.
    void SetRotateParam(int32_t in_param) { m_rotateParam = in_param; }
    int32_t GetRotateParam() const { return m_rotateParam; }

    // The bitmap as plain pixels, for code that inspects them: a compact thumbnail comes back
    // decoded onto its matte with its turns applied (VYREnginePlainBitmap). An empty record
    // when it cannot be decoded.
    VYRBitmap GetBitmap() const;

protected:
    QString m_name;
    VYRBitmap m_bitmap;
    int32_t m_rotateParam = 0;
    bool m_bFileMirrored = false;
    double m_pixelRatio = 1.0;

private:
    int LastSeparator() const;
};

// The caller's callback for each thumbnail: true to go on with the next file, false to stop.
// The image is valid during the call only; copy it (copy constructor) to keep it.
using QLThumbnailCallback = bool (*)(QLImage *in_pImage, void *in_pUserData);
// Asked while the load waits for a slow file, after pending events were processed: true when
// the caller wants the load to end now (e.g. the user asked to stop loading).
using QLLoadStopQuery = bool (*)(void *in_pUserData);
// Told of each file the load could not make a thumbnail of, and of each entry the walk could
// not reach: its path and the engine's failure code.
using QLLoadFailure = void (*)(const QString &in_path, int in_status, void *in_pUserData);

// The state of one load, passed through the engine as its user data.
struct QLThumbBrowseContext
{
    QWidget *m_pWindow = nullptr;             // the window whose close stops the load
    QLThumbnailCallback m_callback = nullptr; // may be null: thumbnails are made and dropped
    void *m_pUserData = nullptr;              // passed back to the callback unchanged
    QLLoadStopQuery m_stopQuery = nullptr;    // may be null: only the window or a quit stop
    bool m_stopRequested = false;             // set when the window closes or the app quits
    QLLoadFailure m_failure = nullptr;        // may be null: failures are passed over
};

// Makes one thumbnail (fitted into an in_size box) for every file of in_folder matching
// in_filter (';'-separated wildcards, case-insensitive), in natural name order, descending
// into subfolders when in_subfolders is set, and hands each to in_callback as a temporary
// QLImage. Between files pending events are processed; a close of in_pWindow or an
// application quit stops the load after the current file. While the next file is still
// being decoded, pending events are processed too (about every 25 ms), and a close, a quit or
// in_stopQuery answering true stops the load at once, cancelling the decodes in progress.
// Runs on the user-interface thread.
// Returns the engine's result when it is 1 (the folder was browsed to its end) or 0.
// Throws QLImageException* (function "QLLoadThumbnails()") for every other result: code -10
// when the load was stopped (in_callback answered false, in_stopQuery answered true, the
// window closed or the application quit; the caller treats that as no failure), or the
// engine's failure code (e.g. -8 for a folder that does not exist).
int QLLoadThumbnails(QWidget *in_pWindow, const QString &in_folder, QSize in_size,
                     const QString &in_filter, uint32_t in_matteColor, bool in_subfolders,
                     QLThumbnailCallback in_callback, void *in_pUserData,
                     QLLoadStopQuery in_stopQuery = nullptr, QLLoadFailure in_failure = nullptr);

// Turns the JPEG picture of in_source losslessly (in_code 4: 90 degrees clockwise, 8: 180,
// 12: 270) and writes it to in_destination, which may equal in_source (rotation in place).
// Every marker segment (Exif, XMP, ICC, comments) is kept. Returns normally on success;
// throws QLImageException* (function "QLRotateFile()") otherwise, with code -805 when the
// destination or its folder is read-only. A failure leaves both files untouched.
void QLRotateFile(const QString &in_source, const QString &in_destination, int in_code);
// The same, run as in_pOptions says (see VYRRotateOptions): its finishing step edits the
// complete result in memory before it is verified and written (answering false fails the
// rotation, and nothing is written); it may allow replacing another file at the destination,
// and receive what the turn trimmed.
void QLRotateFile(const QString &in_source, const QString &in_destination, int in_code,
                  const VYRRotateOptions *in_pOptions);
