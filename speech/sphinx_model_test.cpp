#include "speech/sphinx_model.h"
#include "tests/support/test_files.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <optional>

using namespace tandrel;

namespace {

void touch(const QString &path)
{
    ASSERT_TRUE(tandrel::testing::writeFile(path, "x"));
}

// Points the data folders at a temporary home and system folder while alive.
struct DataFolders
{
    QTemporaryDir dir;
    std::optional<QByteArray> home = saved("XDG_DATA_HOME"), system = saved("XDG_DATA_DIRS");
    static std::optional<QByteArray> saved(const char *name)
    {
        return qEnvironmentVariableIsSet(name) ? std::optional(qgetenv(name)) : std::nullopt;
    }
    static void restore(const char *name, const std::optional<QByteArray> &value)
    {
        if (value)
            qputenv(name, *value);
        else
            qunsetenv(name);
    }
    DataFolders()
    {
        qputenv("XDG_DATA_HOME", dir.filePath("home").toUtf8());
        qputenv("XDG_DATA_DIRS", dir.filePath("system").toUtf8());
    }
    ~DataFolders()
    {
        restore("XDG_DATA_HOME", home);
        restore("XDG_DATA_DIRS", system);
    }
    QString models(const char *where) const
    {
        return dir.filePath(QString::fromLatin1(where) + "/Tandrel/models");
    }
};

} // namespace

TEST(SphinxModel, FindsModelsOfEitherLayoutInTheDataFoldersBeforeDebians)
{
    DataFolders data;
    const QString de = data.models("home") + "/de-DE";
    // The CMU Sphinx project's archive layout, with an older binary language model.
    touch(de + "/model_parameters/voxforge.cd_cont_6000/mdef");
    touch(de + "/etc/voxforge.dic");
    touch(de + "/etc/voxforge.lm.DMP");
    // Debian's layout, without a general language model.
    const QString fr = data.models("system") + "/fr_fr";
    touch(fr + "/fr_fr/mdef");
    touch(fr + "/fr.dict");
    touch(fr + "/fr-phone.lm.bin");
    // Not models: an install still being unpacked, a dictionary alone.
    touch(data.models("home") + "/.it-IT-x1y2z3/it/mdef");
    touch(data.models("home") + "/.it-IT-x1y2z3/it.dict");
    touch(data.models("home") + "/es-ES/es.dict");
    QDir().mkpath(data.models("home") + "/pt-PT/pt-pt"); // an acoustic folder without mdef

    const QList<SphinxModel> models = installedSphinxModels(sphinxModelRoots());
    ASSERT_EQ(models.size(), 3);
    EXPECT_EQ(models[0],
              (SphinxModel{"de-DE", de + "/model_parameters/voxforge.cd_cont_6000", de + "/etc/voxforge.dic",
                           de + "/etc/voxforge.lm.DMP", de}));
    EXPECT_EQ(models[1], (SphinxModel{"fr-FR", fr + "/fr_fr", fr + "/fr.dict", QString(), fr}));
    EXPECT_EQ(models[2].locale, "en-US");
    EXPECT_EQ(models[2].folder, defaultSphinxModelRoot() + "/en-us");
    EXPECT_TRUE(QFileInfo::exists(models[2].acousticModel + "/mdef"));
    EXPECT_FALSE(models[2].languageModel.contains("phone"));
    EXPECT_TRUE(installedSphinxModels(data.dir.filePath("missing")).isEmpty());
    EXPECT_EQ(userSphinxModelRoot(), data.models("home"));
}
