// Every kept fuzz input, seeds and crash inputs alike, run through its target
// in the normal build: the faults the fuzzers found stay mended without clang.
#include "fuzz/fuzz_targets.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

namespace tandrel::fuzz {

void expect(bool condition, const char *what)
{
    EXPECT_TRUE(condition) << what;
}

} // namespace tandrel::fuzz

namespace {

using Entry = int (*)(const quint8 *, size_t);

const struct
{
    const char *name;
    Entry entry;
} targets[] = {
        {"markdown_import", tandrel::fuzz::markdownImport}, {"library_json", tandrel::fuzz::libraryJson},
        {"fcpxml_document", tandrel::fuzz::fcpxmlDocument}, {"script_aligner", tandrel::fuzz::scriptAligner},
        {"wav_reader", tandrel::fuzz::wavReader},
};

QFileInfoList keptInputs(const char *folder, const char *target)
{
    const QDir dir(
            QStringLiteral(TANDREL_FUZZ_DIR "/%1/%2").arg(QLatin1String(folder), QLatin1String(target)));
    return dir.entryInfoList(QDir::Files | QDir::Hidden, QDir::Name);
}

} // namespace

TEST(FuzzInputs, EveryKeptInputKeepsItsTargetsPromises)
{
    for (const auto &target : targets) {
        const QFileInfoList seeds = keptInputs("corpus", target.name);
        EXPECT_FALSE(seeds.isEmpty()) << "no seeds for " << target.name;
        for (const QFileInfo &input : seeds + keptInputs("regressions", target.name)) {
            SCOPED_TRACE(
                    QDir(QStringLiteral(TANDREL_FUZZ_DIR)).relativeFilePath(input.filePath()).toStdString());
            QFile file(input.filePath());
            ASSERT_TRUE(file.open(QIODevice::ReadOnly));
            const QByteArray bytes = file.readAll();
            target.entry(reinterpret_cast<const quint8 *>(bytes.constData()), size_t(bytes.size()));
        }
    }
}
