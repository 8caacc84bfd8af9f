// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
#include "vyroutputclaims.h"

#include <QDir>
#include <QFileInfo>

namespace {

// One file reached by two spellings ("Out//a.jpg", "Out/./a.jpg", a link to Out) is one
// output. The folder exists (a job writes into it) and is resolved whole; the file itself
// may not exist yet.
QString Canonical(const QString &in_path)
{
    const QFileInfo info(in_path);
    const QString folder = info.absoluteDir().canonicalPath();
    return folder.isEmpty() ? QDir::cleanPath(info.absoluteFilePath())
                            : folder + QLatin1Char('/') + info.fileName();
}

} // namespace

bool VYROutputClaims::Claim(const QString &in_output, const QString &in_source,
                            QString *out_pHolder)
{
    const QString output = Canonical(in_output);
    const QString source = Canonical(in_source);
    std::lock_guard<std::mutex> lock(m_mutex);
    const auto it = m_holders.constFind(output);
    if (it == m_holders.constEnd()) {
        // A photo turned in place claims its own file too: with the output folder set to the
        // source folder, a photo of a subfolder must not replace it.
        m_holders.insert(output, source);
        return true;
    }
    // A photo turned again where its result lies keeps the claim its first job made.
    if (it.value() == source || output == source)
        return true;
    if (out_pHolder)
        *out_pHolder = it.value();
    return false;
}

void VYROutputClaims::ClaimListed(const QString &in_path)
{
    const QString path = Canonical(in_path);
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_holders.contains(path))
        m_holders.insert(path, path);
}

void VYROutputClaims::Release(const QString &in_output, const QString &in_source)
{
    const QString output = Canonical(in_output);
    std::lock_guard<std::mutex> lock(m_mutex);
    const auto it = m_holders.find(output);
    if (it != m_holders.end() && it.value() == Canonical(in_source))
        m_holders.erase(it);
}
