// The product's name, version and web site. Included by the resource script
// too, so it holds nothing but macros outside C++.
#pragma once

#define TNK_PRODUCT_NAME "Tarnwick"
#define TNK_VERSION_TEXT "1.0.0.0"
#define TNK_VERSION_NUMBERS 1, 0, 0, 0
#define TNK_WEB_SITE "https://tarnwick.example/"

#ifndef RC_INVOKED
namespace tnk {
// The product web site; the documentation page lies at its root.
constexpr const wchar_t* kWebSite = L"" TNK_WEB_SITE;
constexpr const wchar_t* kDocumentationPage = L"" TNK_WEB_SITE "tnkdoc.htm";
}  // namespace tnk
#endif
