#include "nfce/transport.h"

namespace qv::nfce {

std::string_view transport_error_name(TransportError error) {
    switch (error) {
    case TransportError::none:
        return "none";
    case TransportError::no_connection:
        return "no_connection";
    case TransportError::timeout:
        return "timeout";
    case TransportError::tls:
        return "tls";
    case TransportError::connection_lost:
        return "connection_lost";
    case TransportError::http_status:
        return "http_status";
    case TransportError::other:
        return "other";
    }
    return "other";
}

} // namespace qv::nfce
