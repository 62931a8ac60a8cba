// SPDX-License-Identifier: GPL-3.0-or-later
// Runs a fuzz target's entry point once over every seed file, as libFuzzer does when it reads
// its corpus, but without libFuzzer: so the seeds are regression tests in every build, with any
// compiler. A broken property aborts (the target checks them), a crash is a crash, and a hang
// is caught by the test's time limit; the name of each seed is printed before it runs.
//
//   replay_<target> FOLDER-OR-FILE...

#include <QByteArray>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv);
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size);

int main(int argc, char **argv)
{
    QStringList seeds;
    for (int i = 1; i < argc; ++i) {
        const QString path = QFile::decodeName(argv[i]);
        if (!QFileInfo(path).isDir()) {
            seeds.append(path);
            continue;
        }
        QStringList inFolder;
        QDirIterator it(path, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        while (it.hasNext())
            inFolder.append(it.next());
        std::sort(inFolder.begin(), inFolder.end());
        seeds += inFolder;
    }
    if (seeds.isEmpty()) {
        std::fprintf(stderr, "No seed files found.\n");
        return 1;
    }

    LLVMFuzzerInitialize(&argc, &argv);
    for (const QString &seed : seeds) {
        QFile file(seed);
        if (!file.open(QIODevice::ReadOnly)) {
            std::fprintf(stderr, "Cannot read %s\n", qPrintable(seed));
            return 1;
        }
        const QByteArray bytes = file.readAll();
        std::printf("%s (%lld bytes)\n", qPrintable(seed), static_cast<long long>(bytes.size()));
        std::fflush(stdout);
        LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t *>(bytes.constData()),
                               std::size_t(bytes.size()));
    }
    std::printf("%lld seeds ran through the fuzz target without a broken property\n",
                static_cast<long long>(seeds.size()));
    return 0;
}
