// The framework's throw helpers (framework/throws.h) for the native build,
// whose cores leave the framework's exception classes out: each throws the
// standard library's nearest exception.
#include <new>
#include <stdexcept>

#include "framework/throws.h"

void AfxThrowMemoryException()
{
    throw std::bad_alloc();
}

void AfxThrowNotSupportedException()
{
    throw std::logic_error("not supported");
}

void AfxThrowInvalidArgException()
{
    throw std::invalid_argument("invalid argument");
}

void AfxThrowResourceException()
{
    throw std::runtime_error("resource");
}
