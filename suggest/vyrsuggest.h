// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
//
// Upright suggestions from the picture itself, for photos whose file says nothing about how
// they should be seen (no Orientation tag, or 1): scans, old cameras, stripped Exif, a phone
// held over a document lying flat. The suggester looks at a small decode of the photo in all
// four quarter turns and asks three kinds of witness which turn is upright: face detectors,
// the text-orientation detector of the OCR engine, and a clear sky along one edge. It answers
// only when its witnesses agree well; a photo it is unsure of gets no suggestion.
// docs/suggestions.md tells how it decides.
//
// The detector data comes from the system (Debian's opencv-data and tesseract-ocr-osd);
// nothing is downloaded. A suggestion is only ever advice: nothing here writes a file.
#pragma once

#include <QString>
#include <memory>

struct VYRSuggestion
{
    int m_angle = 0; // turn that makes it upright: 0 (none), 90, 180 or -90; clockwise positive
    double m_confidence = 0; // 0..1; with m_angle 0, how sure it is that the photo is upright
    QString m_evidence;      // comma-joined cues, e.g. "faces:3", "text"
    // The Exif Orientation the file carries (0 when none). A value other than 0 or 1 means the
    // photo was left to Auto Rotate and m_angle is 0.
    int m_exifOrientation = 0;
};

// The default --min-confidence: suggestions below it are not shown.
double VYRDefaultSuggestConfidence();

// One per thread: holds the loaded detectors. Not thread-safe; cheap to keep, costly to make
// (the detector files are read in the constructor, some tens of milliseconds).
class VYRSuggester
{
public:
    VYRSuggester();
    ~VYRSuggester();
    VYRSuggester(const VYRSuggester &) = delete;
    VYRSuggester &operator=(const VYRSuggester &) = delete;

    // False, with the reason in *out_pWhy when given, when detector data is missing (a face
    // cascade or the OCR engine's orientation data). Suggest then refuses every photo.
    bool IsReady(QString *out_pWhy = nullptr) const;

    // Looks at the photo (small decode through the engine's guard, ~512 px long side) in all four
    // quarter turns. Returns false with *out_pError when the photo cannot be read (or the
    // suggester is not ready). A photo whose Exif orientation is other than 1/absent gets m_angle
    // 0 (left to Auto Rotate). m_angle is 0 also when no turn wins with confidence; the caller
    // compares m_confidence with its own minimum before showing a turn.
    bool Suggest(const QString &in_path, VYRSuggestion *out_pSuggestion, QString *out_pError);

private:
    struct Detectors;
    std::unique_ptr<Detectors> m_pDetectors;
};
