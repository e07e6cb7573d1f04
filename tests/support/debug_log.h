// Captures the program's debug lines (the default logging category) while it
// lives, so tests can check the diagnostics and count direct writes. Debug
// output is switched off in the test environment; this switches it on for
// the default category only and restores it afterwards. Other messages go on
// to the test framework's handler; warnings are kept as well (a write to a
// closed port shows as one).
#pragma once

#include <QLoggingCategory>
#include <QString>
#include <QStringList>
#include <QtGlobal>

class DebugLog {
public:
    DebugLog()
    {
        QLoggingCategory *category = QLoggingCategory::defaultCategory();
        wasEnabled = category->isDebugEnabled();
        category->setEnabled(QtDebugMsg, true);
        current() = this;
        previous = qInstallMessageHandler(&DebugLog::handle);
    }
    ~DebugLog()
    {
        qInstallMessageHandler(previous);
        current() = nullptr;
        QLoggingCategory::defaultCategory()->setEnabled(QtDebugMsg, wasEnabled);
    }
    DebugLog(const DebugLog &) = delete;
    DebugLog &operator=(const DebugLog &) = delete;

    const QStringList &lines() const { return captured; }
    const QStringList &warnings() const { return warned; }
    void clear()
    {
        captured.clear();
        warned.clear();
    }

    // Lines whose first word is `label`, e.g. "send" or "!OPEN".
    QStringList withLabel(const QString &label) const
    {
        QStringList result;
        for (const QString &line : captured) {
            if (line == label || line.startsWith(label + QLatin1Char(' ')))
                result.append(line);
        }
        return result;
    }

private:
    static DebugLog *&current()
    {
        static DebugLog *log = nullptr;
        return log;
    }

    static void handle(QtMsgType type, const QMessageLogContext &context, const QString &text)
    {
        DebugLog *log = current();
        if (log && type == QtDebugMsg) {
            log->captured.append(text);
            return;
        }
        if (log && type == QtWarningMsg)
            log->warned.append(text);
        if (log && log->previous)
            log->previous(type, context, text);
    }

    QStringList captured;
    QStringList warned;
    QtMessageHandler previous = nullptr;
    bool wasEnabled = false;
};
