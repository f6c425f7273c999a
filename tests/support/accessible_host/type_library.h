#pragma once

namespace tnk::accessible_host {

// Makes sure COM can marshal IAccessible2 and IAccessibleText between
// processes: an interface without a proxy gets one from a type library built
// beside the executable and registered; a proxy registered by someone else is
// kept. Prints what it did; 0 on success. Running it again changes nothing.
int registerTypeLibrary();

}  // namespace tnk::accessible_host
