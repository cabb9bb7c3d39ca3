#include "components/componentoptionsdialog.h"

#include "app/prompter.h"
#include "components/chaincomponents.h"
#include "components/formwidgets.h"

#include <QCheckBox>
#include <QComboBox>
#include <QMessageBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

using namespace FormWidgets;

ComponentOptionsDialog::ComponentOptionsDialog(const ComponentInfo &info,
                                               const ComponentOptions &defaults,
                                               Prompter &prompter, QWidget *parent)
    : QDialog(parent), m_prompter(prompter), m_kind(info.form.kind), m_options(defaults),
      m_form(info.form)
{
    const ComponentForm &form = info.form;
    setWindowTitle(form.title);
    auto *layout = new QVBoxLayout(this);

    auto *information = new QGroupBox(QStringLiteral("Informations"), this);
    auto *informationLayout = new QVBoxLayout(information);
    auto *text = new QLabel(form.information, information);
    text->setWordWrap(true);
    text->setTextFormat(Qt::PlainText);
    informationLayout->addWidget(text);
    layout->addWidget(information);

    auto *fields = new QFormLayout;
    // The service's own fields, in their group when the form names one.
    QFormLayout *service = fields;
    if (!form.providerGroup.isEmpty()) {
        auto *group = new QGroupBox(form.providerGroup, this);
        group->setObjectName(QStringLiteral("providerGroup"));
        service = new QFormLayout(group);
        fields->addRow(group);
    }
    if (m_kind == ComponentForm::Kind::Dns) {
        m_provider = lineEdit(this, QStringLiteral("nameServer"), defaults.nameServer,
                              form.providerPlaceholder);
        fields->addRow(form.providerLabel, m_provider);
        m_ipv6 = checkBox(this, QStringLiteral("ipv6"), QStringLiteral("Inclure IPv6 (AAAA)"),
                          defaults.ipv6);
        fields->addRow(QString(), m_ipv6);
    } else if (form.hasProvider) {
        m_provider = lineEdit(this, QStringLiteral("provider"), defaults.provider,
                              form.providerPlaceholder);
        service->addRow(form.providerLabel, m_provider);
        m_templates.append({m_provider, form.providerLabel});
    }
    const auto addRequest = [&](QLineEdit *&field, const QString &name, const QString &label,
                                const QString &value) {
        if (label.isEmpty())
            return;
        field = lineEdit(this, name, value);
        service->addRow(label, field);
        m_templates.append({field, label});
    };
    addRequest(m_balanceRequest, QStringLiteral("balanceRequest"), form.balanceRequestLabel,
               defaults.balanceRequest);
    addRequest(m_preCountRequest, QStringLiteral("preCountRequest"), form.preCountRequestLabel,
               defaults.preCountRequest);
    if (form.chooseChain) {
        m_chain = new QComboBox(this);
        m_chain->setObjectName(QStringLiteral("chain"));
        for (const EvmChain &chain : EvmChains::all())
            m_chain->addItem(QStringLiteral("%1 (id=%2)").arg(chain.name).arg(chain.id), chain.id);
        m_chain->setCurrentIndex(qMax(0, m_chain->findData(defaults.chainId)));
        fields->insertRow(0, QStringLiteral("Blockchain"), m_chain);
        connect(m_chain, &QComboBox::currentIndexChanged, this,
                &ComponentOptionsDialog::onChainChanged);
    }
    if (!form.apiKeyLabel.isEmpty()) {
        m_apiKey = lineEdit(this, QStringLiteral("apiKey"), defaults.apiKey,
                            form.apiKeyPlaceholder);
        m_apiKey->setEchoMode(QLineEdit::Password);
        service->addRow(form.apiKeyLabel, m_apiKey);
    }
    if (form.hasTimeout) {
        m_timeout = spinBox(this, QStringLiteral("timeout"), form.timeoutMin, form.timeoutMax,
                            100, defaults.timeoutMs);
        service->addRow(QStringLiteral("Timeout (ms)"), m_timeout);
    }
    if (!form.preCountLabel.isEmpty()) {
        m_preCount = spinBox(this, QStringLiteral("preCount"), form.preCountMin, form.preCountMax,
                             1, defaults.preCount);
        service->addRow(form.preCountLabel, m_preCount);
    }
    if (!form.depthLabel.isEmpty()) {
        m_depth = spinBox(this, QStringLiteral("depth"), 1, 10, 1, defaults.depth);
        service->addRow(form.depthLabel, m_depth);
    }
    if (!form.batchLabel.isEmpty()) {
        m_batch = spinBox(this, QStringLiteral("batch"), 1, 50, 1, defaults.batch);
        service->addRow(form.batchLabel, m_batch);
    }
    if (form.breachOptions) {
        m_includeUnverified = checkBox(this, QStringLiteral("includeUnverified"),
                                       QStringLiteral("Inclure les breaches non vérifiés"),
                                       defaults.includeUnverified);
        fields->addRow(QString(), m_includeUnverified);
        m_truncate = checkBox(this, QStringLiteral("truncate"),
                              QStringLiteral("truncateResponse (true)"), defaults.truncate);
        fields->addRow(QString(), m_truncate);
        m_userAgent = lineEdit(this, QStringLiteral("userAgent"), defaults.userAgent);
        fields->addRow(QStringLiteral("User-Agent"), m_userAgent);
    }
    const bool ownGroup = !form.createNodesText.isEmpty() || !form.destinationGroup.isEmpty();
    if (!ownGroup && !form.colourButtonText.isEmpty()) {
        addColourButton(form.colourButtonText, this);
        fields->addRow(QStringLiteral("Couleur"), m_colour);
    }
    if (m_kind == ComponentForm::Kind::Geolocation) {
        m_delay = spinBox(this, QStringLiteral("delay"), 0, 5000, 50, defaults.delayMs);
        fields->addRow(QStringLiteral("Délai entre requêtes (ms)"), m_delay);
        m_writeAttributes = checkBox(this, QStringLiteral("writeAttributes"),
                                     QStringLiteral("Créer des attributs (pays, ville, ASN, org)"),
                                     defaults.writeAttributes);
        fields->addRow(QString(), m_writeAttributes);
        m_overwrite = checkBox(this, QStringLiteral("overwrite"),
                               QStringLiteral("Écraser lat/lon existants"),
                               defaults.overwriteCoordinates);
        fields->addRow(QString(), m_overwrite);
    }
    layout->addLayout(fields);
    if (!form.createNodesText.isEmpty())
        addCreationGroup(form);
    else if (!form.destinationGroup.isEmpty())
        addDestinationGroup(form);

    m_buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(m_buttons, &QDialogButtonBox::accepted, this, &ComponentOptionsDialog::onAccept);
    connect(m_buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(m_buttons);
    if (m_provider && m_kind != ComponentForm::Kind::Dns && form.providerTemplate
        && form.providerGroup.isEmpty()) {
        connect(m_provider, &QLineEdit::textChanged, this,
                &ComponentOptionsDialog::onProviderChanged);
        onProviderChanged(m_provider->text());
    }
    resize(520, 380);
}

void ComponentOptionsDialog::addCreationGroup(const ComponentForm &form)
{
    m_creation = new QGroupBox(QStringLiteral("Création automatique"), this);
    auto *group = new QFormLayout(m_creation);
    m_createNodes = checkBox(m_creation, QStringLiteral("createNodes"), form.createNodesText,
                             false);
    group->addRow(m_createNodes);
    m_nodeType = lineEdit(m_creation, QStringLiteral("nodeType"), m_options.nodeType);
    group->addRow(QStringLiteral("Type de nœud"), m_nodeType);
    m_relationLabel = lineEdit(m_creation, QStringLiteral("relationLabel"),
                               m_options.relationLabel);
    group->addRow(QStringLiteral("Label de relation"), m_relationLabel);
    addColourButton(form.colourButtonText, m_creation);
    group->addRow(QStringLiteral("Couleur"), m_colour);
    connect(m_createNodes, &QCheckBox::toggled, this,
            &ComponentOptionsDialog::onCreateNodesToggled);
    static_cast<QVBoxLayout *>(layout())->addWidget(m_creation);
    onCreateNodesToggled(false);
}

void ComponentOptionsDialog::addDestinationGroup(const ComponentForm &form)
{
    auto *box = new QGroupBox(form.destinationGroup, this);
    box->setObjectName(QStringLiteral("destination"));
    auto *group = new QFormLayout(box);
    m_nodeType = lineEdit(box, QStringLiteral("nodeType"), m_options.nodeType);
    group->addRow(QStringLiteral("Type de nœud DEST"), m_nodeType);
    m_relationLabel = lineEdit(box, QStringLiteral("relationLabel"), m_options.relationLabel);
    group->addRow(QStringLiteral("Label de relation"), m_relationLabel);
    if (!form.relationTypeLabel.isEmpty()) {
        m_relationType = lineEdit(box, QStringLiteral("relationType"), m_options.relationType);
        group->addRow(form.relationTypeLabel, m_relationType);
    }
    addColourButton(form.colourButtonText, box);
    group->addRow(QStringLiteral("Couleur"), m_colour);
    static_cast<QVBoxLayout *>(layout())->addWidget(box);
}

void ComponentOptionsDialog::addColourButton(const QString &text, QWidget *parent)
{
    m_colour = new QPushButton(text, parent);
    m_colour->setObjectName(QStringLiteral("colour"));
    connect(m_colour, &QPushButton::clicked, this, &ComponentOptionsDialog::chooseColor);
    showColour();
}

void ComponentOptionsDialog::showColour()
{
    m_colour->setStyleSheet(
        QStringLiteral("background-color: %1").arg(m_options.nodeColor.name()));
}

void ComponentOptionsDialog::chooseColor()
{
    const QColor chosen =
        m_prompter.color(this, m_options.nodeColor, QStringLiteral("Choisir une couleur"));
    if (!chosen.isValid())
        return;
    m_options.nodeColor = chosen;
    showColour();
}

void ComponentOptionsDialog::onCreateNodesToggled(bool on)
{
    if (!m_creation)
        return;
    for (QWidget *widget : m_creation->findChildren<QWidget *>()) {
        if (widget != m_createNodes)
            widget->setEnabled(on);
    }
}

void ComponentOptionsDialog::onProviderChanged(const QString &text)
{
    m_buttons->button(QDialogButtonBox::Ok)->setEnabled(text.contains(QLatin1String("%1")));
}

void ComponentOptionsDialog::onAccept()
{
    if (m_apiKey && !m_form.missingKeyWarning.isEmpty() && m_apiKey->text().trimmed().isEmpty()) {
        m_prompter.message(this, QMessageBox::Warning, QStringLiteral("API key manquante"),
                           m_form.missingKeyWarning, QMessageBox::Ok, QMessageBox::Ok);
        return;
    }
    if (!m_form.providerGroup.isEmpty() && m_form.providerTemplate) {
        for (const auto &[field, label] : std::as_const(m_templates)) {
            if (field->text().contains(QLatin1String("%1")))
                continue;
            m_prompter.message(this, QMessageBox::Warning,
                               QStringLiteral("Modèle de requête invalide"),
                               QStringLiteral("Le champ « %1 » doit contenir %2 à la place de "
                                              "l’adresse.")
                                   .arg(label, QStringLiteral("%1")),
                               QMessageBox::Ok, QMessageBox::Ok);
            field->setFocus();
            return;
        }
    }
    accept();
}

void ComponentOptionsDialog::onChainChanged(int index)
{
    const QString before = EvmChains::byId(m_options.chainId).symbol;
    EvmChains::switchChain(m_options, m_chain->itemData(index).toInt());
    const QString after = EvmChains::byId(m_options.chainId).symbol;
    for (QLineEdit *field : {m_nodeType, m_relationType}) {
        if (field)
            field->setText(EvmChains::followSymbol(field->text(), before, after));
    }
}

ComponentOptions ComponentOptionsDialog::options() const
{
    ComponentOptions options = m_options;
    if (m_kind == ComponentForm::Kind::Dns) {
        options.nameServer = m_provider->text().trimmed();
        options.ipv6 = m_ipv6->isChecked();
    } else if (m_provider) {
        options.provider = m_provider->text().trimmed();
    }
    if (m_balanceRequest)
        options.balanceRequest = m_balanceRequest->text().trimmed();
    if (m_preCountRequest)
        options.preCountRequest = m_preCountRequest->text().trimmed();
    if (m_apiKey)
        options.apiKey = m_apiKey->text().trimmed();
    if (m_chain)
        options.chainId = m_chain->currentData().toInt();
    if (m_timeout)
        options.timeoutMs = m_timeout->value();
    if (m_preCount)
        options.preCount = m_preCount->value();
    if (m_depth)
        options.depth = m_depth->value();
    if (m_batch)
        options.batch = m_batch->value();
    if (m_includeUnverified) {
        options.includeUnverified = m_includeUnverified->isChecked();
        options.truncate = m_truncate->isChecked();
        options.userAgent = m_userAgent->text().trimmed();
    }
    if (m_delay) {
        options.delayMs = m_delay->value();
        options.writeAttributes = m_writeAttributes->isChecked();
        options.overwriteCoordinates = m_overwrite->isChecked();
    }
    if (m_createNodes)
        options.createNodes = m_createNodes->isChecked();
    if (m_nodeType) {
        options.nodeType = m_nodeType->text().trimmed();
        options.relationLabel = m_relationLabel->text().trimmed();
    }
    if (m_relationType)
        options.relationType = m_relationType->text().trimmed();
    return options;
}

ComponentConfirmDialog::ComponentConfirmDialog(const ConfirmRequest &request, QWidget *parent)
    : QDialog(parent)
{
    setWindowTitle(request.title);
    auto *layout = new QVBoxLayout(this);
    auto *text = new QLabel(request.text, this);
    text->setTextFormat(Qt::RichText);
    text->setWordWrap(true);
    layout->addWidget(text);
    if (request.numberMax >= 1) {
        auto *row = new QFormLayout;
        m_number = spinBox(this, QStringLiteral("number"), 1, request.numberMax, 1,
                           request.numberMax);
        row->addRow(request.numberLabel, m_number);
        layout->addLayout(row);
    }
    m_first = checkBox(this, QStringLiteral("firstBox"), request.firstBox, true);
    m_first->setVisible(!request.firstBox.isEmpty());
    layout->addWidget(m_first);
    m_second = checkBox(this, QStringLiteral("secondBox"), request.secondBox, request.showSecond);
    m_second->setVisible(request.showSecond);
    layout->addWidget(m_second);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    resize(460, 180);
}

ConfirmAnswer ComponentConfirmDialog::answer(bool accepted) const
{
    return {accepted, accepted && m_first->isChecked(),
            accepted && m_second->isVisibleTo(this) && m_second->isChecked(),
            m_number ? m_number->value() : 0};
}
