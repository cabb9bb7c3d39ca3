#pragma once

#include "components/component.h"

#include <QJsonObject>

// Parsing of the BGPView and ip-api replies. BGPView answers errors with HTTP 200, "status"
// "error" and a "status_message"; that message becomes the error text.
namespace BgpParsing {

struct Prefixes
{
    bool ok = false;
    QStringList prefixes; // IPv4 then IPv6, without duplicates
    QString error;
};
Prefixes parsePrefixes(const QJsonObject &reply);

struct AsRecord
{
    QString digits;
    QString asn; // "AS" followed by the digits
    QString name;
    QString org;
    // "<name> -- AS<id>", or the number alone without a name.
    QString neighbourText() const;
};

struct AsRecords
{
    bool ok = false;
    QList<AsRecord> records;
    QString error;
};

enum class Neighbours { Peers, Upstreams, Downstreams };
// The neighbours of one kind, IPv4 then IPv6, each AS once.
AsRecords parseNeighbours(const QJsonObject &reply, Neighbours kind);
// The AS announcing a prefix ("data"."asns").
AsRecords parsePrefixOrigins(const QJsonObject &reply);
// ip-api: one record; the name is "asname", or what follows the number in "as" when the
// service was not asked for "asname".
AsRecords parseIpApiAs(const QJsonObject &reply);

} // namespace BgpParsing

// Shared by the components keyed on an AS node's "asn" attribute: reads and checks the
// number, asks the service, and confirms per node before applying.
class AsKeyedComponent : public Component
{
public:
    void process(NodeRun &run) const override;

protected:
    struct Found
    {
        bool ok = false;
        QString error;
        QStringList prefixes;
        QList<BgpParsing::AsRecord> records;
        int count() const { return int(prefixes.size() + records.size()); }
    };
    struct Texts
    {
        QString confirmText; // %1 = count
        QString firstBox;
        QString secondBox;
        QString none;    // %1 = AS
        QString success; // %1 = AS, %2 = count
    };
    virtual Texts texts() const = 0;
    virtual QString path() const = 0;
    virtual Found parse(const QJsonObject &reply) const = 0;
    virtual void apply(NodeRun &run, const Found &found, bool attributes, bool nodes) const = 0;
    ComponentOptions asDefaults(const QString &type, const QColor &colour,
                                const QString &label) const;
};

class ComponentAsToCidr : public AsKeyedComponent
{
public:
    ComponentInfo info() const override;
    ComponentOptions defaultOptions() const override;

protected:
    Texts texts() const override;
    QString path() const override { return QStringLiteral("/asn/%1/prefixes"); }
    Found parse(const QJsonObject &reply) const override;
    void apply(NodeRun &run, const Found &found, bool attributes, bool nodes) const override;
};

class NeighbourComponent : public AsKeyedComponent
{
protected:
    explicit NeighbourComponent(BgpParsing::Neighbours kind) : m_kind(kind) {}
    Found parse(const QJsonObject &reply) const override;
    void apply(NodeRun &run, const Found &found, bool attributes, bool nodes) const override;
    ComponentOptions defaultOptions() const override;

private:
    BgpParsing::Neighbours m_kind;
};

class ComponentAsToPeers : public NeighbourComponent
{
public:
    ComponentAsToPeers() : NeighbourComponent(BgpParsing::Neighbours::Peers) {}
    ComponentInfo info() const override;

protected:
    Texts texts() const override;
    QString path() const override { return QStringLiteral("/asn/%1/peers"); }
};

class ComponentAsToUpstreams : public NeighbourComponent
{
public:
    ComponentAsToUpstreams() : NeighbourComponent(BgpParsing::Neighbours::Upstreams) {}
    ComponentInfo info() const override;

protected:
    Texts texts() const override;
    QString path() const override { return QStringLiteral("/asn/%1/upstreams"); }
};

class ComponentAsToDownstreams : public NeighbourComponent
{
public:
    ComponentAsToDownstreams() : NeighbourComponent(BgpParsing::Neighbours::Downstreams) {}
    ComponentInfo info() const override;

protected:
    Texts texts() const override;
    QString path() const override { return QStringLiteral("/asn/%1/downstreams"); }
};

class ComponentCidrToAs : public Component
{
public:
    ComponentInfo info() const override;
    ComponentOptions defaultOptions() const override;
    void process(NodeRun &run) const override;
};

class ComponentIpToAs : public Component
{
public:
    ComponentInfo info() const override;
    ComponentOptions defaultOptions() const override;
    void process(NodeRun &run) const override;
};
