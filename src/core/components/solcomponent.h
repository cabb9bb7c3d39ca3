#pragma once

#include "components/component.h"

#include <QJsonObject>

namespace SolscanParsing {

// One account's lamports before and after a transaction, as exact decimal text.
struct BalanceChange
{
    QString address;
    QString pre;
    QString post;
};

// What a transaction moved between the address and one other account.
struct Transfer
{
    QString counterpart; // empty when nobody else's balance moved the other way
    QString lamports;    // what changed hands: the smaller of the two moves (fees aside)
    bool outgoing = false;
};

// The reply read with every long integer kept as exact text: Solscan writes some numbers
// beyond 2^64, which a double would round.
QJsonObject parseReply(const QByteArray &body, bool *ok);

// The balance changes of a transaction detail ("sol_bal_change").
QList<BalanceChange> balanceChanges(const QJsonObject &detail);

// The account whose balance moved opposite to the address, the largest such move when
// several did; system and token programs never count.
Transfer transferOf(const QList<BalanceChange> &changes, const QString &address);

// The system program and the token program: they take part in transfers without owning them.
bool isProgramAccount(const QString &address);

// The node's Solana address: its "adresse", "address" or "pubkey" row, else its label; empty
// when none is a base-58 address of 32 to 48 characters.
QString nodeAddress(const Node &node);

} // namespace SolscanParsing

// Solana transactions through Solscan: one relation per transfer to the counterpart address.
class ComponentSolToTx : public Component
{
public:
    ComponentInfo info() const override;
    ComponentOptions defaultOptions() const override;
    void process(NodeRun &run) const override;
    bool accepts(const Node &node) const override;
    int pauseMs(const ComponentOptions &options) const override { return options.delayMs; }
    int pauseJitterMs() const override { return 150; }
};
