#pragma once

#include <QColor>
#include <QMessageBox>
#include <QSet>
#include <QString>
#include <QStringList>

#include <optional>

class QDialog;
class QWidget;

// Every question the program asks the user goes through a Prompter: message boxes, file
// choosers, input boxes and the modal dialogs themselves. The desktop implementation shows
// real boxes; tests install one that answers from a script, so that a command runs end to
// end without a modal box blocking it.
class Prompter
{
public:
    virtual ~Prompter() = default;

    // A message box with standard buttons; answers the button chosen.
    virtual QMessageBox::StandardButton message(QWidget *parent, QMessageBox::Icon icon,
                                                const QString &title, const QString &text,
                                                QMessageBox::StandardButtons buttons,
                                                QMessageBox::StandardButton defaultButton,
                                                const QString &informativeText = QString()) = 0;
    // A message box with buttons of its own plus Cancel; answers the index of the button
    // chosen, or -1 for Cancel.
    virtual int choice(QWidget *parent, const QString &title, const QString &text,
                       const QStringList &buttons) = 0;

    // File choosers for files to read. Every file chosen is remembered (see chosenFiles).
    QString openFileName(QWidget *parent, const QString &caption, const QString &dir,
                         const QString &filter);
    QStringList openFileNames(QWidget *parent, const QString &caption, const QString &dir,
                              const QString &filter);
    virtual QString saveFileName(QWidget *parent, const QString &caption, const QString &dir,
                                 const QString &filter) = 0;
    virtual QString existingDirectory(QWidget *parent, const QString &caption,
                                      const QString &dir) = 0;
    // An accepted answer, or nothing when cancelled.
    virtual std::optional<QString> text(QWidget *parent, const QString &title,
                                        const QString &label, const QString &initial) = 0;
    // A valid colour, or an invalid one when cancelled.
    virtual QColor color(QWidget *parent, const QColor &initial, const QString &title) = 0;
    // Runs a modal dialog; answers QDialog::Accepted or QDialog::Rejected.
    virtual int exec(QDialog &dialog) = 0;

    void information(QWidget *parent, const QString &title, const QString &text);
    void warning(QWidget *parent, const QString &title, const QString &text);
    void critical(QWidget *parent, const QString &title, const QString &text);
    // Yes/No, No by default; true for Yes.
    bool confirm(QWidget *parent, QMessageBox::Icon icon, const QString &title,
                 const QString &text);

    // The files the analyst picked in a file chooser or dropped on a view (absolute, clean
    // paths). A save copies into the project only those of the files outside it; a path
    // that came from an import, the API or a component is kept as text.
    const QSet<QString> &chosenFiles() const { return m_chosenFiles; }
    void rememberChosenFile(const QString &path);

protected:
    virtual QString askOpenFileName(QWidget *parent, const QString &caption, const QString &dir,
                                    const QString &filter) = 0;
    virtual QStringList askOpenFileNames(QWidget *parent, const QString &caption,
                                         const QString &dir, const QString &filter) = 0;

private:
    QSet<QString> m_chosenFiles;
};

class DesktopPrompter : public Prompter
{
public:
    QMessageBox::StandardButton message(QWidget *parent, QMessageBox::Icon icon,
                                        const QString &title, const QString &text,
                                        QMessageBox::StandardButtons buttons,
                                        QMessageBox::StandardButton defaultButton,
                                        const QString &informativeText) override;
    int choice(QWidget *parent, const QString &title, const QString &text,
               const QStringList &buttons) override;
    QString saveFileName(QWidget *parent, const QString &caption, const QString &dir,
                         const QString &filter) override;
    QString existingDirectory(QWidget *parent, const QString &caption,
                              const QString &dir) override;
    std::optional<QString> text(QWidget *parent, const QString &title, const QString &label,
                                const QString &initial) override;
    QColor color(QWidget *parent, const QColor &initial, const QString &title) override;
    int exec(QDialog &dialog) override;

protected:
    QString askOpenFileName(QWidget *parent, const QString &caption, const QString &dir,
                            const QString &filter) override;
    QStringList askOpenFileNames(QWidget *parent, const QString &caption, const QString &dir,
                                 const QString &filter) override;
};
