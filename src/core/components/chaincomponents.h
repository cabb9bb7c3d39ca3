#pragma once

#include "components/component.h"

#include <QList>

// An EVM chain reached through Etherscan's multichain API.
struct EvmChain
{
    int id = 0;
    QString name;
    QString symbol;
};

namespace EvmChains {

// In the order of the "Blockchain" drop-down.
const QList<EvmChain> &all();
// The chain with this id; Ethereum Mainnet for an unknown one.
EvmChain byId(int id);

} // namespace EvmChains
