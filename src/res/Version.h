#pragma once

// The program's version numbers and publisher, used by the version resource
// and read by the release scripts; the window reads its title's version back
// from that resource.
#define TAVRIN_FILE_VERSION         0,7,104,1
#define TAVRIN_FILE_VERSION_TEXT    "0.7.104.1"
#define TAVRIN_PRODUCT_VERSION      1,0,0,1
#define TAVRIN_PRODUCT_VERSION_TEXT "1.0.0.1"
#define TAVRIN_COMPANY_NAME         "Tavrin"
