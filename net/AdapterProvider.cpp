#include "net/AdapterProvider.h"

#include "model/Text.h"

namespace vantrel::net {

QString Adapter::networkAddress() const {
    const auto text = model::networkAddressText(address.toStdString(), mask.toStdString());
    return text ? QString::fromStdString(*text) : QString();
}

} // namespace vantrel::net
