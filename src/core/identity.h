/* The identity of both deliverables: names, versions, company names and identifiers.
   This is the one source of these values; C++, the resource script and the IDL all read it.
   Plain preprocessor definitions only, so that windres and widl can include it too. */
#ifndef FOLIO_IDENTITY_H
#define FOLIO_IDENTITY_H

/* Shared by both deliverables. */
#define FOLIO_PRODUCT_NAME       "Pagestack"
#define FOLIO_FILE_DESCRIPTION   "Folioscope"
#define FOLIO_APPLICATION_NAME   "Folioscope"
#define FOLIO_DEVELOPER_NAME     "Marrowind"
#define FOLIO_DEFAULT_DEVELOPER  "Tessaryn"
#define FOLIO_MAKER_NAME         "Tessaryn Ltd"
#define FOLIO_MAKER_WEB_ADDRESS  "https://www.tessaryn.example/folioscope"
#define FOLIO_LEGAL_COPYRIGHT    "Copyright (c) Marrowind. All rights reserved."
#define FOLIO_TYPELIB_TITLE_KEYSTACK  "Folioscope Keystack alphabetical index library"
#define FOLIO_TYPELIB_TITLE_PAGESTACK "Folioscope Pagestack table of contents library"

/* Keystack: the alphabetical index. */
#define KEYSTACK_LIBRARY_NAME    "Keystack"
#define KEYSTACK_COMPANY_NAME    "Marrowind Ltd"
#define KEYSTACK_VERSION_MAJOR    1
#define KEYSTACK_VERSION_MINOR    0
#define KEYSTACK_VERSION_BUILD    0
#define KEYSTACK_VERSION_REVISION 17
#define KEYSTACK_VERSION_TEXT    "1.00.0017"
#define KEYSTACK_LIBID           "DD590397-ABDE-4C99-A88D-05ED3450E5E4"
#define KEYSTACK_CLSID_ENTRY     "34F597B9-E63B-43E4-B6F0-C851A4B09247"
#define KEYSTACK_IID_ENTRY       "045FE7C4-4438-4BD2-AB87-5F9846DFC248"
#define KEYSTACK_IID_ENTRY_PAGES "6EBDF4E8-5344-4902-8333-0F71A2D77DEA"
#define KEYSTACK_CLSID_UFL       "7A902C27-2DFF-4145-87A3-3C8DB9868D46"
#define KEYSTACK_IID_UFL         "38EF2564-7A1A-4D01-A706-70B563F1587A"

/* Pagestack: the table of contents. */
#define PAGESTACK_LIBRARY_NAME    "Pagestack"
#define PAGESTACK_COMPANY_NAME    "Marrowind"
#define PAGESTACK_VERSION_MAJOR    1
#define PAGESTACK_VERSION_MINOR    0
#define PAGESTACK_VERSION_BUILD    0
#define PAGESTACK_VERSION_REVISION 19
#define PAGESTACK_VERSION_TEXT    "1.00.0019"
#define PAGESTACK_LIBID           "F8DAF357-AD49-4C42-BC40-962B0F33A44D"
#define PAGESTACK_CLSID_ENTRY     "32F7D206-91D8-4894-A51D-0EACC63B0892"
#define PAGESTACK_IID_ENTRY       "0FF08B74-1AD7-4205-B408-85ED16561518"
#define PAGESTACK_IID_ENTRY_PAGES "CB1FBAF2-4EF9-4754-BFE1-56D5081A68C3"
#define PAGESTACK_CLSID_UFL       "E0ABDB6F-3D71-4FD5-8448-C1332ABFEBD8"
#define PAGESTACK_IID_UFL         "FDDA6304-2DAE-495C-B236-C920BD1896C5"

/* The Windows Installer packages, one for each bitness of the hosts (x86 and x64). A package
   finds and replaces an earlier version of itself by its upgrade code; each component keeps
   its identifier for good. The components that hold what both bitnesses register alike (the
   programmatic identifiers and the type library's name) have one identifier in both packages,
   so that Windows Installer keeps them while either package is installed. The packages for the
   current user are other products, with components of their own: their identifiers are derived
   from these (installer/package.cmake). */
#define FOLIO_PACKAGE_UPGRADE_CODE_X86 "EF00DA91-834C-4853-A12D-638AFD0FF81B"
#define FOLIO_PACKAGE_UPGRADE_CODE_X64 "2BD739A4-BEDB-487E-B825-6B6452543CAD"
#define KEYSTACK_COMPONENT_X86         "2F154425-5283-4E68-821F-2569B0E4AB7D"
#define KEYSTACK_COMPONENT_X64         "4AD92629-126D-422C-90A2-B974604DBD14"
#define KEYSTACK_COMPONENT_SHARED      "A3CE6D21-4DA3-402A-995D-352F3DED7992"
#define PAGESTACK_COMPONENT_X86        "9152E600-8DFE-4EBB-AB82-018AAF31DF2C"
#define PAGESTACK_COMPONENT_X64        "119A7E78-E1E4-4E28-9C1D-133336B6C95A"
#define PAGESTACK_COMPONENT_SHARED     "312AFC7B-EF87-4A53-85EE-6BCD9FC84B0A"
#define INDEXFILE_COMPONENT_X86        "3253E36F-F2E5-42DC-9483-C2266B8153DE"
#define INDEXFILE_COMPONENT_X64        "1348A004-480D-4F51-9969-21D4F35E4258"

#endif
