#pragma once

#include "components/component.h"

namespace BreachParsing {

// One element of Have I Been Pwned's answer for an account.
struct Breach
{
    QString name;
    QString title; // "Title", else the name, else "Unknown breach"
    QString description;
    QString breachDate;
    QString domain;
    QString pwnCount;
    QString addedDate;
    QString modifiedDate;
    QString logoUrl;
    QStringList dataClasses;
    // "true" or "false"; empty when the answer left the flag out (truncated answers)
    QString isVerified;
    QString isSensitive;
    QString isRetired;
    QString isSpamList;
};

// The breaches of an answer: an empty body is an empty list; false in ok when the body is
// neither empty nor a JSON array.
QList<Breach> parseBreaches(const QByteArray &body, bool *ok);

// The addresses found in the node's "email" rows, each once, in order.
QStringList emailAddresses(const Node &node);

// The file a breach's logo is kept in: the name made safe for any file system (no folder
// separators, no "..", no control or reserved characters, no device names), still readable,
// with a short fingerprint of the original when something had to change, and ".png".
QString logoFileName(const QString &breachName);

// "hibp_logos" in the per-user application-data folder.
QString logoFolder();

} // namespace BreachParsing

// Have I Been Pwned v3: every breach of the node's e-mail addresses as a LEAK node joined to
// it by a relation labelled with the address.
class ComponentEmailBreaches : public AnyNodeComponent
{
public:
    ComponentInfo info() const override;
    ComponentOptions defaultOptions() const override;
    void process(NodeRun &run) const override;
};
