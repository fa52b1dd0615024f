// An object that leans on the hosted C++ library: the module check must
// refuse anything like it.
#include <string>

std::string makeGreeting(const char* name) { return std::string("hello ") + name; }
