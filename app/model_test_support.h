#pragma once

// Runs QAbstractItemModelTester on a model for the life of a test and
// collects its complaints, so that a broken notification fails the GoogleTest
// case instead of ending the process.

#include <QAbstractItemModelTester>
#include <QStringList>
#include <memory>

namespace tandrel::testing {

class ModelTesterLog
{
public:
    explicit ModelTesterLog(QAbstractItemModel *model)
    {
        s_current = this;
        m_previous = qInstallMessageHandler(&ModelTesterLog::handle);
        m_tester = std::make_unique<QAbstractItemModelTester>(
                model, QAbstractItemModelTester::FailureReportingMode::Warning);
    }
    ~ModelTesterLog()
    {
        m_tester.reset();
        qInstallMessageHandler(m_previous);
        s_current = nullptr;
    }
    ModelTesterLog(const ModelTesterLog &) = delete;
    ModelTesterLog &operator=(const ModelTesterLog &) = delete;

    QStringList failures;

private:
    static void handle(QtMsgType type, const QMessageLogContext &context, const QString &message)
    {
        if (s_current && (type == QtWarningMsg || type == QtCriticalMsg)
            && qstrcmp(context.category, "qt.modeltest") == 0)
            s_current->failures.append(message);
        else if (s_current && s_current->m_previous)
            s_current->m_previous(type, context, message);
    }

    inline static ModelTesterLog *s_current = nullptr;
    QtMessageHandler m_previous = nullptr;
    std::unique_ptr<QAbstractItemModelTester> m_tester;
};

} // namespace tandrel::testing
