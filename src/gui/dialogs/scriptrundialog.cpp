#include "dialogs/scriptrundialog.h"

#include <QDebug>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

ScriptRunDialog::ScriptRunDialog(const ScriptComponents::Descriptor &component,
                                 const ScriptComponents::Invocation &invocation, QWidget *parent)
    : QDialog(parent), m_process(new QProcess(this))
{
    setAttribute(Qt::WA_DeleteOnClose);
    setModal(false);
    setWindowTitle(QStringLiteral("Composant (%1) — %2").arg(component.language, component.name));
    auto *layout = new QVBoxLayout(this);
    auto *heading = new QLabel(QStringLiteral("Exécution du composant <b>%1</b> (%2)…")
                                   .arg(component.name.toHtmlEscaped(), component.language.toHtmlEscaped()),
                               this);
    heading->setTextFormat(Qt::RichText);
    layout->addWidget(heading);
    m_progress = new QProgressBar(this);
    m_progress->setRange(0, 100);
    m_progress->setValue(0);
    layout->addWidget(m_progress);
    // What a script prints is shown as it is, never read as markup.
    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("scriptStatus"));
    m_status->setTextFormat(Qt::PlainText);
    m_status->setWordWrap(true);
    layout->addWidget(m_status);
    setStatus(QStringLiteral("En cours…"));
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    auto *cancel = new QPushButton(QStringLiteral("Annuler"), this);
    cancel->setObjectName(QStringLiteral("cancelButton"));
    buttons->addWidget(cancel);
    layout->addLayout(buttons);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    m_process->setProgram(invocation.program);
    m_process->setArguments(invocation.arguments);
    m_process->setWorkingDirectory(invocation.workingDirectory);
    connect(m_process, &QProcess::started, this, &ScriptRunDialog::onStarted);
    connect(m_process, &QProcess::errorOccurred, this, &ScriptRunDialog::onErrorOccurred);
    connect(m_process, &QProcess::readyReadStandardOutput, this,
            &ScriptRunDialog::onStandardOutput);
    connect(m_process, &QProcess::readyReadStandardError, this, &ScriptRunDialog::onStandardError);
    connect(m_process, &QProcess::finished, this, &ScriptRunDialog::onFinished);
}

void ScriptRunDialog::start()
{
    qDebug().noquote() << "[COMP] program =" << m_process->program();
    qDebug().noquote() << "[COMP] args    =" << m_process->arguments();
    m_process->start(QIODevice::ReadWrite);
}

bool ScriptRunDialog::isRunning() const
{
    return m_process->state() != QProcess::NotRunning;
}

int ScriptRunDialog::progress() const
{
    return m_progress->value();
}

void ScriptRunDialog::appendStatus(const QString &line)
{
    setStatus(m_statusText + u'\n' + line);
}

void ScriptRunDialog::setStatus(const QString &text)
{
    m_statusText = text;
    m_status->setText(text);
}

ScriptRunDialog::~ScriptRunDialog()
{
    stop();
}

void ScriptRunDialog::done(int result)
{
    stop();
    QDialog::done(result);
}

// A cancelled run ends here: the process is killed without reporting an end, so that nothing
// of what it left behind is taken for a result.
void ScriptRunDialog::stop()
{
    if (!isRunning())
        return;
    m_process->disconnect(this);
    m_process->kill();
    m_process->waitForFinished(3000);
}

void ScriptRunDialog::onStarted()
{
    setStatus(QStringLiteral("Process démarré : %1 %2")
                  .arg(m_process->program(), m_process->arguments().join(u' ')));
}

void ScriptRunDialog::onErrorOccurred(QProcess::ProcessError error)
{
    appendStatus(QStringLiteral("[QProcess error] code=%1").arg(int(error)));
}

void ScriptRunDialog::onStandardOutput()
{
    for (const QByteArray &line : m_lines.feed(m_process->readAllStandardOutput()))
        handleLine(line);
}

void ScriptRunDialog::handleLine(const QByteArray &raw)
{
    const auto line = ScriptComponents::parseLine(raw);
    qDebug() << "[COMP OUT RAW]" << raw;
    qDebug().noquote() << "[COMP OUT DECODED]" << QString::fromUtf8(raw).trimmed();
    if (!line)
        return;
    switch (line->kind) {
    case ScriptComponents::OutputLine::Kind::Progress:
        m_progress->setValue(line->progress);
        break;
    case ScriptComponents::OutputLine::Kind::Message:
        setStatus(line->text);
        break;
    case ScriptComponents::OutputLine::Kind::Text:
        appendStatus(line->text);
        break;
    }
}

void ScriptRunDialog::onStandardError()
{
    const QByteArray raw = m_process->readAllStandardError();
    qDebug() << "[COMP ERR RAW]" << raw;
    setStatus(m_statusText + QStringLiteral("\n[ERR] ") + QString(m_errorDecoder.decode(raw)));
}

void ScriptRunDialog::onFinished(int exitCode, QProcess::ExitStatus status)
{
    // A last line without its line end is still part of the output.
    onStandardOutput();
    if (const auto last = m_lines.finish())
        handleLine(*last);
    m_progress->setValue(100);
    appendStatus((status == QProcess::NormalExit ? QStringLiteral("Terminé (code %1)")
                                                 : QStringLiteral("Interrompu (code %1)"))
                     .arg(exitCode));
    Q_EMIT ended(exitCode, status);
}
