#include "components/dnsresolver.h"

#include <QDnsLookup>
#include <QEventLoop>
#include <QHostAddress>
#include <QTimer>

QStringList SystemDnsResolver::lookup(const QString &name, RecordType type,
                                      const QString &nameServer, int timeoutMs)
{
    QDnsLookup lookup(type == RecordType::A ? QDnsLookup::A : QDnsLookup::AAAA, name);
    if (!nameServer.trimmed().isEmpty())
        lookup.setNameserver(QHostAddress(nameServer.trimmed()));
    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    QObject::connect(&lookup, &QDnsLookup::finished, &loop, &QEventLoop::quit);
    QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    lookup.lookup();
    timer.start(timeoutMs);
    if (!lookup.isFinished())
        loop.exec();
    QStringList addresses;
    if (!lookup.isFinished()) {
        lookup.abort();
        return addresses;
    }
    if (lookup.error() != QDnsLookup::NoError)
        return addresses;
    const QAbstractSocket::NetworkLayerProtocol wanted =
        type == RecordType::A ? QAbstractSocket::IPv4Protocol : QAbstractSocket::IPv6Protocol;
    for (const QDnsHostAddressRecord &record : lookup.hostAddressRecords()) {
        if (record.value().protocol() == wanted)
            addresses.append(record.value().toString());
    }
    return addresses;
}
