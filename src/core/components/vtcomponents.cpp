#include "components/vtcomponents.h"

#include "components/componentutils.h"
#include "config/appconfig.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QRegularExpression>

namespace VtParsing {

namespace {

qint64 number(const QJsonObject &object, const QString &key)
{
    const QJsonValue value = object.value(key);
    return value.isString() ? value.toString().trimmed().toLongLong()
                            : qint64(value.toDouble());
}

QString text(const QJsonObject &object, const QString &key)
{
    const QJsonValue value = object.value(key);
    if (value.isDouble())
        return QString::number(qint64(value.toDouble()));
    return value.toString().trimmed();
}

// Elements are texts, or objects naming the value ("value", else "label", else "name").
QStringList names(const QJsonValue &list)
{
    QStringList result;
    for (const QJsonValue &item : list.toArray()) {
        QString name;
        if (item.isObject()) {
            const QJsonObject object = item.toObject();
            for (const char *key : {"value", "label", "name"}) {
                name = text(object, QLatin1String(key));
                if (!name.isEmpty())
                    break;
            }
        } else {
            name = item.toString().trimmed();
        }
        if (!name.isEmpty())
            result.append(name);
    }
    return result;
}

void readCounts(const QJsonObject &from, Report &report)
{
    const QJsonObject stats = from.value(QStringLiteral("last_analysis_stats")).toObject();
    report.malicious = number(stats, QStringLiteral("malicious"));
    report.suspicious = number(stats, QStringLiteral("suspicious"));
    report.harmless = number(stats, QStringLiteral("harmless"));
    report.reputation = number(from, QStringLiteral("reputation"));
    report.anyMalicious = report.malicious > 0 || report.suspicious > 0;
}

} // namespace

Report parseReport(const QJsonObject &reply)
{
    Report report;
    const QJsonValue attributesValue =
        reply.value(QStringLiteral("data")).toObject().value(QStringLiteral("attributes"));
    if (attributesValue.isObject()) {
        const QJsonObject attributes = attributesValue.toObject();
        readCounts(attributes, report);
        report.lastAnalysisDate = number(attributes, QStringLiteral("last_analysis_date"));
        report.tags = names(attributes.value(QStringLiteral("tags")));
        for (const QJsonValue &item : attributes.value(QStringLiteral("resolutions")).toArray()) {
            const QString host = text(item.toObject(), QStringLiteral("hostname"));
            if (!host.isEmpty())
                report.resolutions.append(host);
        }
        const QJsonObject classification =
            attributes.value(QStringLiteral("popular_threat_classification")).toObject();
        report.categories = names(classification.value(QStringLiteral("popular_threat_category")));
        report.families = names(classification.value(QStringLiteral("popular_threat_name")));
        report.threatLabel = text(classification, QStringLiteral("suggested_threat_label"));
        report.url = text(attributes, QStringLiteral("url"));
        report.lastFinalUrl = text(attributes, QStringLiteral("last_final_url"));
        report.httpStatus = text(attributes, QStringLiteral("last_http_response_code"));
        report.contentLength = text(attributes, QStringLiteral("last_http_response_content_length"));
        report.asOwner = text(attributes, QStringLiteral("as_owner"));
        report.asn = text(attributes, QStringLiteral("asn"));
        report.country = text(attributes, QStringLiteral("country"));
    } else if (reply.contains(QStringLiteral("last_analysis_stats"))) {
        readCounts(reply, report);
    } else {
        const QString message = text(reply.value(QStringLiteral("error")).toObject(),
                                     QStringLiteral("message"));
        report.error = message.isEmpty() ? QStringLiteral("Format provider inconnu (attendu VT v3)")
                                         : message;
        return report;
    }
    report.ok = true;
    return report;
}

QList<QPair<QString, QString>> reportRows(const Report &report, Kind kind)
{
    QList<QPair<QString, QString>> rows = {
        {QStringLiteral("vt_malicious_count"), QString::number(report.malicious)},
        {QStringLiteral("vt_suspicious_count"), QString::number(report.suspicious)},
        {QStringLiteral("vt_harmless_count"), QString::number(report.harmless)},
        {QStringLiteral("vt_has_any_malicious"),
         report.anyMalicious ? QStringLiteral("true") : QStringLiteral("false")},
        {QStringLiteral("vt_reputation"), QString::number(report.reputation)}};
    if (report.lastAnalysisDate >= 1)
        rows.append({QStringLiteral("vt_last_analysis_date"),
                     QDateTime::fromSecsSinceEpoch(report.lastAnalysisDate, Qt::UTC)
                         .toString(Qt::ISODate)});
    // The AS fields come with IP reports; domain reports would carry them under the same keys.
    if (kind == Kind::Ip || kind == Kind::Domain) {
        rows.append({QStringLiteral("vt_as_owner"), report.asOwner});
        rows.append({QStringLiteral("vt_asn"), report.asn});
        rows.append({QStringLiteral("vt_country"), report.country});
    }
    if (kind == Kind::Url) {
        rows.append({QStringLiteral("vt_url"), report.url});
        rows.append({QStringLiteral("vt_last_final_url"), report.lastFinalUrl});
        rows.append({QStringLiteral("vt_http_status"), report.httpStatus});
        rows.append({QStringLiteral("vt_http_content_length"), report.contentLength});
        rows.append({QStringLiteral("vt_threat_label"), report.threatLabel});
    }
    if (kind == Kind::Ip || kind == Kind::Domain) {
        for (const QString &host : report.resolutions)
            rows.append({QStringLiteral("vt_resolution"), host});
    }
    for (const QString &tag : report.tags)
        rows.append({QStringLiteral("vt_tag"), tag});
    if (kind == Kind::Url || kind == Kind::File) {
        for (const QString &category : report.categories)
            rows.append({QStringLiteral("vt_threat_category"), category});
        for (const QString &family : report.families)
            rows.append({QStringLiteral("vt_family"), family});
    }
    QList<QPair<QString, QString>> written;
    for (const auto &row : rows) {
        if (!row.second.isEmpty())
            written.append(row);
    }
    return written;
}

QString urlIdentifier(const QString &url)
{
    return QString::fromLatin1(url.toUtf8().toBase64(QByteArray::Base64UrlEncoding
                                                     | QByteArray::OmitTrailingEquals));
}

QString keyValue(const Node &node, const QStringList &keys, const QString &pattern)
{
    const QRegularExpression shape(pattern);
    for (const QString &key : keys) {
        for (const AttributeRow &row : node.attributes) {
            const QString value = row.value.trimmed();
            if (row.key.trimmed().compare(key, Qt::CaseInsensitive) == 0 && !value.isEmpty()
                && shape.match(value).hasMatch())
                return value;
        }
    }
    const QString label = node.label.trimmed();
    return shape.match(label).hasMatch() ? label : QString();
}

int zipPollDelayMs(int attempt)
{
    return attempt <= 4 ? 1000 : 2000;
}

QString resolveIcon(const QString &relative, const QString &applicationDir,
                    const QString &workingDir)
{
    for (const QString &start : {applicationDir, workingDir}) {
        if (start.isEmpty())
            continue;
        QDir dir(start);
        do {
            const QString candidate = dir.filePath(relative);
            if (QFileInfo::exists(candidate)) {
                qDebug().noquote() << QStringLiteral("[ICON] found %1").arg(candidate);
                return QFileInfo(candidate).absoluteFilePath();
            }
        } while (dir.cdUp());
    }
    if (QFileInfo(relative).isAbsolute() && QFileInfo::exists(relative)) {
        qDebug().noquote() << QStringLiteral("[ICON] absolute %1").arg(relative);
        return relative;
    }
    qDebug().noquote() << QStringLiteral("[ICON] not found, kept %1").arg(relative);
    return relative;
}

} // namespace VtParsing

using VtParsing::Kind;

namespace {

const QString vtFamily = QStringLiteral("VirusTotal");
const QString hashPattern = QStringLiteral("^\\s*[0-9a-fA-F]{32,64}\\s*$");
const QString completion = QStringLiteral("Recherche de transactions terminée");

QList<QPair<QByteArray, QByteArray>> keyHeader(const QString &key)
{
    if (key.isEmpty())
        return {};
    return {{"x-apikey", key.toUtf8()}};
}

ComponentForm vtForm(const QString &title, const QString &information,
                     const QString &placeholder)
{
    ComponentForm form;
    form.title = title;
    form.information = information;
    form.providerLabel = QStringLiteral("Provider (VT v3)");
    form.providerPlaceholder = placeholder;
    form.apiKeyLabel = QStringLiteral("Clé API");
    form.apiKeyPlaceholder = QStringLiteral("x-apikey (obligatoire)");
    form.timeoutMax = 60000;
    return form;
}

bool isFileNode(const Node &node)
{
    const QString type = node.type.trimmed();
    return type.compare(QLatin1String("FICHIER"), Qt::CaseInsensitive) == 0
        || type.compare(QLatin1String("MALWARE"), Qt::CaseInsensitive) == 0;
}

const QStringList hashKeys = {QStringLiteral("sha256"), QStringLiteral("sha1"),
                              QStringLiteral("md5")};

} // namespace

ComponentInfo VirusTotalComponent::info() const
{
    switch (m_kind) {
    case Kind::Ip:
        return {QStringLiteral("ip-virustotal"), QStringLiteral("openComponentIpVirusTotal"),
                vtFamily, QStringLiteral("IP"),
                vtForm(QStringLiteral("VirusTotal — IP"),
                       QStringLiteral("Les nœuds traités doivent avoir le type \"IP\" (casse "
                                      "ignorée).\nL'IP est lue depuis l'attribut 'ip' s'il existe, "
                                      "sinon depuis le label.\nLes champs récupérés (reputation, "
                                      "stats d'analyse, ASN, pays, résolutions, tags) seront "
                                      "ajoutés comme attributs sur le nœud IP."),
                       QStringLiteral("URL provider (utiliser %1 pour l'IP)")),
                QStringLiteral("IP → VirusTotal"), QStringLiteral("Interrogation VirusTotal"),
                completion};
    case Kind::Domain:
        return {QStringLiteral("domain-virustotal"),
                QStringLiteral("openComponentDomainVirusTotal"), vtFamily,
                QStringLiteral("DOMAINE"),
                vtForm(QStringLiteral("VirusTotal — Domaine"),
                       QStringLiteral("Les nœuds traités doivent avoir le type \"DOMAINE\" (casse "
                                      "ignorée).\nLe domaine est lu depuis l'attribut 'domain' "
                                      "s'il existe, sinon depuis le label.\nLes champs récupérés "
                                      "(reputation, last_analysis_stats, tags, résolutions, etc.) "
                                      "seront ajoutés au nœud."),
                       QStringLiteral("URL provider (utiliser %1 pour le domaine)")),
                QStringLiteral("DOMAINE → VirusTotal"),
                QStringLiteral("Interrogation VirusTotal"), completion};
    case Kind::Url:
        return {QStringLiteral("url-virustotal"), QStringLiteral("openComponentUrlVirusTotal"),
                vtFamily, QStringLiteral("URL"),
                vtForm(QStringLiteral("VirusTotal — URL"),
                       QStringLiteral("Les nœuds traités doivent avoir le type \"URL\" (casse "
                                      "ignorée).\nL'URL est lue depuis l'attribut 'url' s'il "
                                      "existe, sinon depuis le label.\nL'API VT utilisée est "
                                      "/urls/{id} avec encodage Base64 URL-safe (sans '='). Seuls "
                                      "des attributs sont ajoutés au nœud (aucune création de "
                                      "nœud/edge)."),
                       QStringLiteral("URL provider (utiliser %1 pour l'identifiant d'URL)")),
                QStringLiteral("URL → VirusTotal"), QStringLiteral("Interrogation VirusTotal"),
                completion};
    case Kind::File:
        break;
    }
    return {QStringLiteral("file-virustotal"), QStringLiteral("openComponentFileVirusTotal"),
            vtFamily, QStringLiteral("FICHIER"),
            vtForm(QStringLiteral("VirusTotal — Fichier (hash)"),
                   QStringLiteral("Les nœuds traités doivent avoir le type \"FICHIER\" ou "
                                  "\"MALWARE\" (casse ignorée).\nLe hash est lu depuis les "
                                  "attributs \"sha256\", \"sha1\" ou \"md5\" (priorité dans cet "
                                  "ordre).\nÀ défaut, le label est testé s’il ressemble à un "
                                  "hash.\nLes champs récupérés (last_analysis_stats, reputation, "
                                  "tags) seront ajoutés au nœud."),
                   QStringLiteral("URL provider (utiliser %1 pour le hash)")),
            QStringLiteral("FICHIER/MALWARE → VirusTotal"),
            QStringLiteral("Interrogation VirusTotal"), completion};
}

ComponentOptions VirusTotalComponent::defaultOptions() const
{
    static const char *const paths[] = {"/api/v3/ip_addresses/%1", "/api/v3/domains/%1",
                                        "/api/v3/urls/%1", "/api/v3/files/%1"};
    ComponentOptions options;
    options.provider =
        AppConfig::endpoint(QStringLiteral("VirusTotal")) + QLatin1String(paths[int(m_kind)]);
    options.apiKey = AppConfig::apiKey(QStringLiteral("VirusTotal"));
    options.timeoutMs = 5000;
    // Three URL lookups a minute keep within the public quota.
    options.delayMs = m_kind == Kind::Url ? 20000 : 200;
    return options;
}

bool VirusTotalComponent::accepts(const Node &node) const
{
    if (m_kind == Kind::File)
        return isFileNode(node);
    return Component::accepts(node);
}

void VirusTotalComponent::process(NodeRun &run) const
{
    const Node &node = run.node;
    QString value;
    QString skip;
    switch (m_kind) {
    case Kind::Ip:
        value = VtParsing::keyValue(
            node, {QStringLiteral("ip")},
            QStringLiteral("^\\s*([0-9]{1,3}(\\.[0-9]{1,3}){3}|[0-9a-fA-F:]+)\\s*$"));
        skip = QStringLiteral("[SKIP] %1 — pas d'IP exploitable (type:%2, label:%3)")
                   .arg(node.id, node.type, node.label);
        break;
    case Kind::Domain:
        value = VtParsing::keyValue(node, {QStringLiteral("domain")},
                                    QStringLiteral("^\\s*([a-zA-Z0-9\\-]+\\.)+[a-zA-Z]{2,}\\s*$"));
        skip = QStringLiteral("[SKIP] %1 — pas de domaine exploitable").arg(node.id);
        break;
    case Kind::Url:
        value = VtParsing::keyValue(node, {QStringLiteral("url")},
                                    QStringLiteral("^\\s*https?://\\S+\\s*$"));
        skip = QStringLiteral("[SKIP] %1 — pas d'URL exploitable (type:%2, label:%3)")
                   .arg(node.id, node.type, node.label);
        break;
    case Kind::File:
        value = VtParsing::keyValue(node, hashKeys, hashPattern);
        skip = QStringLiteral("[SKIP] %1 — pas de hash (sha256/sha1/md5) trouvé").arg(node.id);
        break;
    }
    if (value.isEmpty()) {
        run.host.log(skip);
        return;
    }
    run.host.progress(run.index, run.total, info().progressPrefix, value);
    const QString key = m_kind == Kind::Url ? VtParsing::urlIdentifier(value) : value;
    const ComponentUtils::JsonFetch reply =
        ComponentUtils::fetchJsonObject(ComponentUtils::fillTemplate(run.options.provider, key),
                                        run.options.timeoutMs, keyHeader(run.options.apiKey));
    VtParsing::Report report;
    if (reply.ok)
        report = VtParsing::parseReport(reply.object);
    else
        report.error = reply.error;
    if (!report.ok) {
        run.host.log(QStringLiteral("[ERREUR] %1 — %2").arg(value, report.error));
        return;
    }
    // Each run keeps its own report: rows are appended, never merged.
    for (const auto &row : VtParsing::reportRows(report, m_kind))
        run.edit.appendAttribute(node.id, row.first, row.second);
    run.host.log(QStringLiteral("[OK] %1 → malicious:%2, suspicious:%3, reputation:%4")
                     .arg(value)
                     .arg(report.malicious)
                     .arg(report.suspicious)
                     .arg(report.reputation));
}

// ---- sample download

ComponentInfo ComponentFileVirusTotalDownload::info() const
{
    ComponentForm form;
    form.title = QStringLiteral("VirusTotal — Télécharger le sample");
    form.information = QStringLiteral(
        "Télécharge un binaire depuis VirusTotal si disponible.\nSi le nœud n’est pas de type "
        "FICHIER/MALWARE, un nœud MALWARE est créé et relié.");
    form.hasProvider = false;
    form.apiKeyLabel = QStringLiteral("Clé API");
    form.apiKeyPlaceholder = QStringLiteral("x-apikey (obligatoire)");
    form.timeoutMin = 1000;
    form.timeoutMax = 120000;
    return {QStringLiteral("file-virustotal-download"),
            QStringLiteral("openComponentFileVirusTotalDownload"),
            vtFamily,
            QStringLiteral("FICHIER"),
            form,
            QStringLiteral("VirusTotal — Download ZIP"),
            QStringLiteral("Téléchargement ZIP VT"),
            completion};
}

ComponentOptions ComponentFileVirusTotalDownload::defaultOptions() const
{
    ComponentOptions options;
    options.provider = AppConfig::endpoint(QStringLiteral("VirusTotal"))
        + QStringLiteral("/api/v3/intelligence/zip_files");
    options.apiKey = AppConfig::apiKey(QStringLiteral("VirusTotal"));
    options.timeoutMs = 15000;
    options.delayMs = 200;
    return options;
}

namespace {

struct Download
{
    QString path;
    QString error;
};

Download downloadZip(const QString &hash, NodeRun &run)
{
    const ComponentOptions &options = run.options;
    const auto headers = keyHeader(options.apiKey);
    auto withJson = headers;
    withJson.append(qMakePair(QByteArray("Content-Type"), QByteArray("application/json")));
    const QJsonObject request{
        {QStringLiteral("data"),
         QJsonObject{{QStringLiteral("password"), QStringLiteral("ambrette")},
                     {QStringLiteral("hashes"), QJsonArray{hash}}}}};
    run.host.log(QStringLiteral("[VT] create zip for %1").arg(hash));
    const ComponentUtils::FetchResult created = ComponentUtils::post(
        options.provider, QJsonDocument(request).toJson(QJsonDocument::Compact), options.timeoutMs,
        withJson);
    if (created.httpStatus >= 400)
        return {QString(), QStringLiteral("HTTP %1").arg(created.httpStatus)};
    if (!created.ok)
        return {QString(), created.error};
    const QJsonObject data =
        QJsonDocument::fromJson(created.body).object().value(QStringLiteral("data")).toObject();
    const QString zipId = data.value(QStringLiteral("id")).toString();
    if (zipId.isEmpty())
        return {QString(), QStringLiteral("Réponse JSON invalide")};
    run.host.log(QStringLiteral("[VT] zipId = %1 initial_status=%2")
                     .arg(zipId, data.value(QStringLiteral("attributes"))
                                     .toObject()
                                     .value(QStringLiteral("status"))
                                     .toString()));

    const QString zipUrl = options.provider + QLatin1Char('/') + zipId;
    bool finished = false;
    for (int attempt = 1; attempt <= VtParsing::zipPollAttempts && !finished; ++attempt) {
        ComponentUtils::sleepWithJitter(VtParsing::zipPollDelayMs(attempt), 0);
        const ComponentUtils::JsonFetch polled =
            ComponentUtils::fetchJsonObject(zipUrl, options.timeoutMs, headers);
        const QJsonObject attributes = polled.object.value(QStringLiteral("data"))
                                           .toObject()
                                           .value(QStringLiteral("attributes"))
                                           .toObject();
        const QString status = attributes.value(QStringLiteral("status")).toString();
        run.host.log(QStringLiteral("[VT] status=%1 progress=%2% (attempt %3/%4)")
                         .arg(status)
                         .arg(attributes.value(QStringLiteral("progress")).toInt())
                         .arg(attempt)
                         .arg(VtParsing::zipPollAttempts));
        if (status == u"finished") {
            finished = true;
        } else if (status == u"error" || status.startsWith(QLatin1String("error-"))
                   || status == u"failed" || status == u"timeout") {
            run.host.log(QStringLiteral("[VT] zip failed with status %1").arg(status));
            return {QString(), QStringLiteral("ZIP status: %1").arg(status)};
        }
    }
    if (!finished)
        return {QString(), QStringLiteral("Timeout: zip non prêt après %1 tentatives")
                               .arg(VtParsing::zipPollAttempts)};

    run.host.log(QStringLiteral("[VT] zip ready, downloading..."));
    const ComponentUtils::FetchResult bytes =
        ComponentUtils::fetch(zipUrl + QStringLiteral("/download"), options.timeoutMs, headers);
    if (bytes.httpStatus >= 400 || bytes.body.isEmpty() || !bytes.ok) {
        const QString error = QStringLiteral("HTTP %1 ou corps vide").arg(bytes.httpStatus);
        run.host.log(QStringLiteral("[VT] download failed: %1").arg(error));
        return {QString(), error};
    }
    const QDir folder(QDir::temp().filePath(QStringLiteral("orvane_vt")));
    folder.mkpath(QStringLiteral("."));
    const QString path = folder.filePath(hash + QStringLiteral(".zip"));
    QFile::remove(path);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return {QString(), QStringLiteral("Impossible d'écrire: %1").arg(path)};
    if (file.write(bytes.body) != bytes.body.size())
        return {QString(), QStringLiteral("Écriture incomplète")};
    return {path, QString()};
}

} // namespace

void ComponentFileVirusTotalDownload::process(NodeRun &run) const
{
    const Node &node = run.node;
    const QString hash = VtParsing::keyValue(node, hashKeys,
                                             QStringLiteral("^[0-9a-fA-F]{32,64}$"));
    if (hash.isEmpty()) {
        run.host.log(QStringLiteral("[SKIP] %1 — aucun hash détecté").arg(node.id));
        return;
    }
    run.host.progress(run.index, run.total, info().progressPrefix, hash);
    const Download download = downloadZip(hash, run);
    if (!download.error.isEmpty()) {
        run.host.log(QStringLiteral("[KO] %1 — %2").arg(hash, download.error));
        return;
    }
    MediaRecord media;
    media.name = QStringLiteral("VirusTotal ZIP (%1)").arg(hash.left(12));
    media.file = download.path;
    media.description =
        QStringLiteral("Archive ZIP (mot de passe: ambrette) téléchargée depuis VirusTotal");
    media.date = QDateTime::currentDateTimeUtc();
    media.author = QStringLiteral("VirusTotal");
    media.sha256 = hash;
    if (isFileNode(node)) {
        run.edit.addMedia(node.id, media);
        run.host.log(QStringLiteral("[OK] %1 — archive ZIP attachée au nœud").arg(hash));
        return;
    }
    // A second download of the same sample lands on the MALWARE node made the first time.
    QString malware = run.edit.findNode(QStringLiteral("MALWARE"), hash);
    if (malware.isEmpty()) {
        Node created;
        created.id = run.edit.graph().unusedNodeId();
        created.label = hash;
        created.type = QStringLiteral("MALWARE");
        created.size = node.size;
        created.mediaPath = VtParsing::resolveIcon(
            QStringLiteral("icons/Cyber/malware rouge.png"), QCoreApplication::applicationDirPath(),
            QDir::currentPath());
        run.edit.insertNode(created);
        malware = created.id;
    }
    run.edit.addMedia(malware, media);
    run.edit.ensureEdge(node.id, malware, QStringLiteral("lié à"), EdgeDirection::Directed,
                        QStringLiteral("related_to"));
    run.host.log(QStringLiteral("[OK] %1 — nœud MALWARE créé + ZIP + lien").arg(hash));
}
