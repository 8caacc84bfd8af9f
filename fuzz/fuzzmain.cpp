// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
//
// Runs a fuzz target's entry point once over every file named on the command line (folders are
// walked), so that the inputs the fuzzers once found keep being checked by every ordinary build.
// The target aborts on a broken invariant; this driver only feeds it.
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

#include <cstdint>
#include <cstdio>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *in_pData, size_t in_size);

namespace {

int RunFile(const QString &in_path)
{
    QFile file(in_path);
    if (!file.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "cannot read %s\n", qPrintable(in_path));
        return 1;
    }
    const QByteArray bytes = file.readAll();
    std::fprintf(stderr, "%s (%lld bytes)\n", qPrintable(in_path),
                 static_cast<long long>(bytes.size()));
    LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t *>(bytes.constData()),
                           size_t(bytes.size()));
    return 0;
}

} // namespace

int main(int in_argc, char **in_argv)
{
    int failures = 0;
    int runs = 0;
    for (int i = 1; i < in_argc; ++i) {
        const QString path = QString::fromLocal8Bit(in_argv[i]);
        if (QFileInfo(path).isDir()) {
            QDirIterator it(path, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
            while (it.hasNext()) {
                failures += RunFile(it.next());
                ++runs;
            }
        } else {
            failures += RunFile(path);
            ++runs;
        }
    }
    std::fprintf(stderr, "%d input(s) run\n", runs);
    return failures == 0 && runs > 0 ? 0 : 1;
}
