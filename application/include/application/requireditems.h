#pragma once
// The fields of the application record the required-data check asks for, in
// the order of its message, with the name the message gives each. The
// window's required fields (tag "1") and the command-line check both come
// from this list.

#include <span>
#include <string_view>

namespace korim::application {

struct RequiredItem {
    const char *field;   // DATOPROV field
    const char *name;    // UTF-8: the name in the message, the field's tooltip; may be empty
    const char *caption; // UTF-8: how the check names the item when the message gives no name
};

std::span<const RequiredItem> requiredItems();
// The item of a DATOPROV field; nullptr when the field is not required.
const RequiredItem *requiredItem(std::string_view field);

} // namespace korim::application
