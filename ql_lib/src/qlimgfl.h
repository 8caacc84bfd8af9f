// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
//
// QLImageFile: owns one buffered stdio stream (FILE) and the path it was opened with, and
// closes the stream when it goes away. The Exif functions of qlijpg.h work on GetFile().
#pragma once

#include <QString>
#include <cstdio>

// Open modes; callers pass the number.
enum QLImageFileMode
{
    QL_FILE_READ = 0,      // "rb"  read an existing file
    QL_FILE_WRITE = 1,     // "wb"  create or truncate, write
    QL_FILE_CREATE_RW = 2, // "w+b" create or truncate, read and write
    QL_FILE_UPDATE = 3,    // "r+b" read and write an existing file
    QL_FILE_APPEND = 4     // "a+b" read and append
};

class QLImageFile
{
public:
    QLImageFile() = default;
    // Closes the stream when one is held.
    ~QLImageFile();
    QLImageFile(const QLImageFile &) = delete;
    QLImageFile &operator=(const QLImageFile &) = delete;

    // Opens in_path in in_mode (0..4, see QLImageFileMode) and returns whether the stream is
    // open. The path is stored whole, also when the open fails (a path the system cannot
    // open, too long ones included, is refused by the false result, never cut short).
    // Refused, with nothing changed: a stream is already held (assertion "m_pFile == NULL";
    // the held stream stays open) or the mode is unknown (assertion "false").
    bool Open(const QString &in_path, int in_mode);
    // Closes the held stream, if any. The stored path stays.
    void Close();

    bool IsOpen() const { return m_pFile != nullptr; }
    // The open stream, or null while closed. Owned by this object: do not fclose it.
    FILE *GetFile() const { return m_pFile; }
    // The path given to the last Open call (empty before any).
    QString GetName() const { return m_name; }

    // Parts of the stored path. The separator is the platform's: '/' on Linux and macOS,
    // '\\' or '/' on Windows. The search runs from the last character back to the second, so
    // a separator (or dot) in the very first position is never found.
    // The characters before the last separator; empty when there is none.
    QString GetDirectory() const;
    // The characters after the last separator; empty when there is none.
    QString GetFileName() const;
    // The characters after the last dot anywhere in the path (a dot in a folder name counts
    // when the file name has none); empty when there is none.
    QString GetExtension() const;

private:
    FILE *m_pFile = nullptr;
    QString m_name;
};
