#pragma once

#include <string>
#include <vector>
#include <winscard.h>

namespace orvela::tokenkit::pcsc {

/// The reader names known to the context; empty when no reader is attached.
std::vector<std::string> listReaderNames(SCARDCONTEXT context);

} // namespace orvela::tokenkit::pcsc
