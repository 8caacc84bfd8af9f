// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
#include "qlimgfl.h"

#include "qltrace.h"

#include <QFile>

namespace {

bool IsSeparator(QChar in_c)
{
    return in_c == QLatin1Char('/');
}

// Position of the last character matching in_match, searching from the end down to the
// second character; -1 when there is none.
template <class Match> int FindLastFromSecond(const QString &in_text, Match in_match)
{
    for (int i = int(in_text.size()) - 1; i >= 1; --i) {
        if (in_match(in_text.at(i)))
            return i;
    }
    return -1;
}

} // namespace

QLImageFile::~QLImageFile()
{
    Close();
}

bool QLImageFile::Open(const QString &in_path, int in_mode)
{
    if (!QL_ASSERT(m_pFile == NULL))
        return false;
    static const char *const kModes[] = {"rb", "wb", "w+b", "r+b", "a+b"};
    if (in_mode < 0 || in_mode > 4) {
        QL_ASSERT(false);
        return false;
    }
    m_name = in_path;
    // An empty path would otherwise reach fopen as "" with a platform-specific result.
    if (in_path.isEmpty())
        return false;
    const QByteArray encoded = QFile::encodeName(in_path);
    // A NUL inside the path would silently open a shorter one.
    if (encoded.contains('\0'))
        return false;
    m_pFile = std::fopen(encoded.constData(), kModes[in_mode]);
    return m_pFile != nullptr;
}

void QLImageFile::Close()
{
    if (m_pFile) {
        std::fclose(m_pFile);
        m_pFile = nullptr;
    }
}

QString QLImageFile::GetDirectory() const
{
    const int sep = FindLastFromSecond(m_name, IsSeparator);
    return sep < 0 ? QString() : m_name.left(sep);
}

QString QLImageFile::GetFileName() const
{
    const int sep = FindLastFromSecond(m_name, IsSeparator);
    return sep < 0 ? QString() : m_name.mid(sep + 1);
}

QString QLImageFile::GetExtension() const
{
    const int dot = FindLastFromSecond(m_name, [](QChar c) { return c == QLatin1Char('.'); });
    return dot < 0 ? QString() : m_name.mid(dot + 1);
}
