#pragma once

#include "components/component.h"

#include <QJsonObject>

namespace GeoParsing {

struct Location
{
    bool ok = false;
    QString error;
    double lat = 0;
    double lon = 0;
    QString country;
    QString city;
    QString org;
    QString asn;
};

// An ip-api reply: "status" "success" with "lat" and "lon" (numbers, or numbers as text).
Location parseIpApi(const QJsonObject &reply);

} // namespace GeoParsing

// Writes latitude and longitude into IP nodes from ip-api, with country, city, organisation
// and AS as rows on request.
class ComponentIpGeolocalisation : public Component
{
public:
    ComponentInfo info() const override;
    ComponentOptions defaultOptions() const override;
    void process(NodeRun &run) const override;
    int pauseMs(const ComponentOptions &options) const override { return options.delayMs; }
    int pauseJitterMs() const override { return 0; }
};
