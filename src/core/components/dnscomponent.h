#pragma once

#include "components/component.h"

namespace DnsParsing {

// The host part of a name or URL: scheme, port, path and query dropped.
QString hostOf(const QString &text);

} // namespace DnsParsing

// Resolves FQDN nodes into addresses (A, then AAAA when asked), written as "ip" rows and
// optionally as address nodes.
class ComponentDnsResolution : public Component
{
public:
    ComponentInfo info() const override;
    ComponentOptions defaultOptions() const override;
    void process(NodeRun &run) const override;
};
