#include "components/geocomponent.h"

#include "components/componentutils.h"
#include "config/appconfig.h"

#include <QJsonDocument>
#include <QRegularExpression>

namespace GeoParsing {

namespace {

// A coordinate given as a number or as a number in text.
std::optional<double> coordinate(const QJsonValue &value)
{
    if (value.isDouble())
        return value.toDouble();
    bool ok = false;
    const double number = value.toString().trimmed().toDouble(&ok);
    return ok ? std::optional<double>(number) : std::nullopt;
}

} // namespace

Location parseIpApi(const QJsonObject &reply)
{
    static const QRegularExpression asNumber(QStringLiteral("\\bAS\\d+\\b"));
    Location result;
    if (reply.value(QStringLiteral("status")).toString() != u"success") {
        const QString message = reply.value(QStringLiteral("message")).toString().trimmed();
        result.error = message.isEmpty() ? QStringLiteral("provider fail") : message;
        return result;
    }
    const std::optional<double> lat = coordinate(reply.value(QStringLiteral("lat")));
    const std::optional<double> lon = coordinate(reply.value(QStringLiteral("lon")));
    if (!lat || !lon) {
        result.error = QStringLiteral("lat/lon absents");
        return result;
    }
    result.ok = true;
    result.lat = *lat;
    result.lon = *lon;
    result.country = reply.value(QStringLiteral("country")).toString().trimmed();
    result.city = reply.value(QStringLiteral("city")).toString().trimmed();
    result.org = reply.value(QStringLiteral("org")).toString().trimmed();
    result.asn = asNumber.match(reply.value(QStringLiteral("as")).toString()).captured(0);
    return result;
}

} // namespace GeoParsing

ComponentInfo ComponentIpGeolocalisation::info() const
{
    ComponentForm form;
    form.kind = ComponentForm::Kind::Geolocation;
    form.title = QStringLiteral("Géolocalisation IP");
    form.information = QStringLiteral(
        "Ce composant cible les nœuds dont le type est \"IP\" (casse ignorée).\nLes coordonnées "
        "(latitude/longitude) seront écrites dans le nœud (champs geoLat/geoLon).\nEn option, des "
        "attributs (pays, ville, ASN, organisation) peuvent être ajoutés.");
    form.providerLabel = QStringLiteral("Provider URL");
    form.providerPlaceholder = QStringLiteral("URL modèle du provider (utiliser %1 pour l’IP)");
    form.timeoutMin = 200;
    form.timeoutMax = 30000;
    return {QStringLiteral("ip-geolocalisation"),
            QStringLiteral("openComponentIpGeolocalisation"),
            QStringLiteral("DNS et géolocalisation"),
            QStringLiteral("IP"),
            form,
            QStringLiteral("Géolocalisation IP…"),
            QStringLiteral("Requête géolocalisation"),
            QStringLiteral("Géolocalisation IP terminée")};
}

ComponentOptions ComponentIpGeolocalisation::defaultOptions() const
{
    ComponentOptions options;
    options.provider = AppConfig::endpoint(QStringLiteral("ip-api"))
        + QStringLiteral("/json/%1?fields=status,message,lat,lon,country,city,org,as,query");
    options.timeoutMs = 4000;
    options.delayMs = 150;
    options.writeAttributes = true;
    options.overwriteCoordinates = false;
    return options;
}

void ComponentIpGeolocalisation::process(NodeRun &run) const
{
    const Node &node = run.node;
    const QString ip = node.label.trimmed();
    if (!ComponentUtils::isIpAddress(ip)) {
        run.host.log(QStringLiteral("[SKIP] Label vide ou invalide pour le nœud %1").arg(node.id));
        return;
    }
    run.host.progress(run.index, run.total, info().progressPrefix, ip);
    const ComponentUtils::FetchResult reply = ComponentUtils::fetch(
        ComponentUtils::fillTemplate(run.options.provider, ip), run.options.timeoutMs);
    GeoParsing::Location location;
    if (reply.timedOut) {
        location.error = QStringLiteral("timeout");
    } else if (!reply.ok) {
        location.error = QStringLiteral("HTTP error: %1").arg(reply.networkError);
    } else {
        const QJsonDocument document = QJsonDocument::fromJson(reply.body);
        if (document.isObject())
            location = GeoParsing::parseIpApi(document.object());
        else
            location.error = QStringLiteral("Réponse invalide");
    }
    if (!location.ok) {
        run.host.log(QStringLiteral("[ERREUR] %1 — %2").arg(ip, location.error));
        return;
    }
    if (!node.geoLat || !node.geoLon || run.options.overwriteCoordinates)
        run.edit.setCoordinates(node.id, location.lat, location.lon);
    if (run.options.writeAttributes) {
        run.edit.addAttribute(node.id, QStringLiteral("pays"), location.country);
        run.edit.addAttribute(node.id, QStringLiteral("ville"), location.city);
        run.edit.addAttribute(node.id, QStringLiteral("org"), location.org);
        run.edit.addAttribute(node.id, QStringLiteral("asn"), location.asn);
    }
    const QString city = location.city.isEmpty() ? QString() : QStringLiteral(", ") + location.city;
    const QString country =
        location.country.isEmpty() ? QString() : QStringLiteral(" / ") + location.country;
    run.host.log(QStringLiteral("[OK] %1 → lat=%2, lon=%3%4%5")
                     .arg(ip, QString::number(location.lat), QString::number(location.lon), city,
                          country));
}
