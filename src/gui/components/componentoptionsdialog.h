#pragma once

#include "components/component.h"

#include <QDialog>

class Prompter;
class QCheckBox;
class QComboBox;
class QDialogButtonBox;
class QGroupBox;
class QLineEdit;
class QPushButton;
class QSpinBox;

// The options of one component run, laid out for its kind: an explanation, the provider (or
// name server) and time-out, and what the run may create. Always opens on the defaults.
class ComponentOptionsDialog : public QDialog
{
    Q_OBJECT

public:
    ComponentOptionsDialog(const ComponentInfo &info, const ComponentOptions &defaults,
                           Prompter &prompter, QWidget *parent = nullptr);

    ComponentOptions options() const;

public Q_SLOTS:
    void chooseColor();
    void onCreateNodesToggled(bool on);
    // A template without "%1" would ask the same thing for every node.
    void onProviderChanged(const QString &text);
    // Keeps the dialog open while a key the run cannot do without is missing, or while a
    // grouped request template lacks "%1".
    void onAccept();
    void onChainChanged(int index);

private:
    void addCreationGroup(const ComponentForm &form);
    // The group of a run that always creates its nodes: type, relation and colour fields.
    void addDestinationGroup(const ComponentForm &form);
    void addColourButton(const QString &text, QWidget *parent);
    void showColour();

    Prompter &m_prompter;
    ComponentForm::Kind m_kind;
    ComponentOptions m_options;
    ComponentForm m_form;
    QLineEdit *m_provider = nullptr;
    QLineEdit *m_balanceRequest = nullptr;
    QLineEdit *m_preCountRequest = nullptr;
    // The template fields and their labels, checked on OK when the form groups them.
    QList<QPair<QLineEdit *, QString>> m_templates;
    QLineEdit *m_apiKey = nullptr;
    QComboBox *m_chain = nullptr;
    QSpinBox *m_timeout = nullptr;
    QSpinBox *m_delay = nullptr;
    QCheckBox *m_ipv6 = nullptr;
    QCheckBox *m_writeAttributes = nullptr;
    QCheckBox *m_overwrite = nullptr;
    QGroupBox *m_creation = nullptr;
    QCheckBox *m_createNodes = nullptr;
    QLineEdit *m_nodeType = nullptr;
    QLineEdit *m_relationLabel = nullptr;
    QLineEdit *m_relationType = nullptr;
    QSpinBox *m_preCount = nullptr;
    QSpinBox *m_depth = nullptr;
    QSpinBox *m_batch = nullptr;
    QCheckBox *m_includeUnverified = nullptr;
    QCheckBox *m_truncate = nullptr;
    QLineEdit *m_userAgent = nullptr;
    QPushButton *m_colour = nullptr;
    QDialogButtonBox *m_buttons = nullptr;
};

// Asks, for one node, whether to apply what the service found: each checked box triggers
// its own action.
class ComponentConfirmDialog : public QDialog
{
    Q_OBJECT

public:
    explicit ComponentConfirmDialog(const ConfirmRequest &request, QWidget *parent = nullptr);

    ConfirmAnswer answer(bool accepted) const;

private:
    QCheckBox *m_first = nullptr;
    QCheckBox *m_second = nullptr;
    QSpinBox *m_number = nullptr;
};
