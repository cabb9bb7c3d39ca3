#pragma once

#include "components/component.h"

#include <QJsonObject>

namespace RansomwareParsing {

struct Group
{
    QString name;
    QString description;
    QStringList sites; // leak-site host names
};
// ransomware.live names the group in "name"; "description" may be missing or null.
Group parseGroup(const QJsonObject &reply);

// Whether an attribute key names the group: "intrusion set", "MOA", "mode opératoire
// d'attaque" with or without the accent, with an apostrophe or a blank.
bool isGroupKey(const QString &key);

} // namespace RansomwareParsing

// Completes a group node from ransomware.live: description, "MOA" and "DLS" rows, and a
// relation to the MOA node of the group.
class ComponentRansomwareLiveMoaDescription : public AnyNodeComponent
{
public:
    ComponentInfo info() const override;
    ComponentOptions defaultOptions() const override;
    void process(NodeRun &run) const override;
};
