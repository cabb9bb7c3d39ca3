#include "components/chaincomponents.h"

namespace EvmChains {

const QList<EvmChain> &all()
{
    static const QList<EvmChain> chains = {
        {1, QStringLiteral("Ethereum Mainnet"), QStringLiteral("ETH")},
        {56, QStringLiteral("BNB Smart Chain"), QStringLiteral("BNB")},
        {137, QStringLiteral("Polygon"), QStringLiteral("MATIC")},
        {42161, QStringLiteral("Arbitrum One"), QStringLiteral("ETH")},
        {10, QStringLiteral("Optimism"), QStringLiteral("ETH")},
        {8453, QStringLiteral("Base"), QStringLiteral("ETH")},
        {43114, QStringLiteral("Avalanche C-Chain"), QStringLiteral("AVAX")},
        {250, QStringLiteral("Fantom"), QStringLiteral("FTM")},
    };
    return chains;
}

EvmChain byId(int id)
{
    for (const EvmChain &chain : all()) {
        if (chain.id == id)
            return chain;
    }
    return all().first();
}

} // namespace EvmChains
