# folio_add_msi(TARGET OUTPUT_FOLDER [USER] [BUILD_OFFSET N]): the Windows Installer package of
# this build's bitness, Folioscope-VERSION-x86.msi or -x64.msi in OUTPUT_FOLDER (with USER the
# package for the current user, -x86-user.msi or -x64-user.msi), made by wixl from folio.wxs
# when TARGET is built (and with everything). Its full path is set in TARGET's property
# FOLIO_MSI_FILE.
#
# The values the WiX source includes are generated here from identity.h (names, versions,
# identifiers) and folio.idl (the type library's version, locale, flags and interface names),
# so that the package holds no copy of them to keep in step. BUILD_OFFSET adds N to the
# package's build number: the tests' later version of the same package.
find_program(FOLIO_WIXL wixl REQUIRED)

function(folio_add_msi target output_folder)
  cmake_parse_arguments(PARSE_ARGV 2 arg "USER" "BUILD_OFFSET" "")
  if(NOT arg_BUILD_OFFSET)
    set(arg_BUILD_OFFSET 0)
  endif()
  set(installer_dir "${PROJECT_SOURCE_DIR}/installer")
  set(identity_h "${PROJECT_SOURCE_DIR}/src/core/identity.h")
  set(idl "${PROJECT_SOURCE_DIR}/src/automation/folio.idl")
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${identity_h}" "${idl}")
  file(READ "${identity_h}" identity_text)
  file(READ "${idl}" idl_text)

  # identity.h's value of NAME, without quotes.
  macro(_identity out name)
    if(NOT identity_text MATCHES "#define ${name} +\"?([^\"\n]*[^\" \n])\"?\n")
      message(FATAL_ERROR "identity.h: no ${name}")
    endif()
    set(${out} "${CMAKE_MATCH_1}")
  endmacro()

  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(arch x64)
    set(platform win64)
    set(program_files ProgramFiles64Folder)
    set(hosts 64-bit)
    set(win64 yes)
  else()
    set(arch x86)
    set(platform win32)
    set(program_files ProgramFilesFolder)
    set(hosts 32-bit)
    set(win64 no)
  endif()
  string(TOUPPER ${arch} ARCH)

  # The package's version: the libraries' major and minor version (the later pair), and as its
  # build number the sum of their revisions, so that a new revision of either library makes a
  # later package. Windows Installer compares these three fields only.
  _identity(ks_major KEYSTACK_VERSION_MAJOR)
  _identity(ks_minor KEYSTACK_VERSION_MINOR)
  _identity(ks_revision KEYSTACK_VERSION_REVISION)
  _identity(ps_major PAGESTACK_VERSION_MAJOR)
  _identity(ps_minor PAGESTACK_VERSION_MINOR)
  _identity(ps_revision PAGESTACK_VERSION_REVISION)
  if(ks_major GREATER ps_major OR (ks_major EQUAL ps_major AND ks_minor GREATER ps_minor))
    set(version "${ks_major}.${ks_minor}")
  else()
    set(version "${ps_major}.${ps_minor}")
  endif()
  math(EXPR build "${ks_revision} + ${ps_revision} + ${arg_BUILD_OFFSET}")
  string(APPEND version ".${build}")

  _identity(application FOLIO_APPLICATION_NAME)
  _identity(manufacturer FOLIO_DEVELOPER_NAME)
  _identity(upgrade_code FOLIO_PACKAGE_UPGRADE_CODE_${ARCH})
  _identity(indexfile_component INDEXFILE_COMPONENT_${ARCH})
  # The package for the current user is another product, with components of its own (other
  # folder, other registry root): its identifiers are derived from those in identity.h, as
  # name-based identifiers of each with the name "user".
  if(arg_USER)
    macro(_for_user variable)
      string(UUID ${variable} NAMESPACE "${${variable}}" NAME user TYPE SHA1 UPPER)
    endmacro()
    _for_user(upgrade_code)
    _for_user(indexfile_component)
    set(scope perUser)
    set(root HKCU)
    set(classes_key "Software\\Classes\\")
    set(base_folder LocalAppDataFolder)
    set(programs Programs)
    set(folder "${application} (${arch})")
    set(suffix -user)
    set(for_whom ", for the current user")
  else()
    macro(_for_user variable)
    endmacro()
    set(scope perMachine)
    # The classes root, which Windows Installer takes as HKEY_LOCAL_MACHINE\Software\Classes
    # in a package for all users: the keys as a program of the package's bitness sees them, as
    # regsvr32 writes them (Wine's msiexec would write a path under HKLM\Software into the
    # 32-bit view's own copy, with the keys that the views share).
    set(root HKCR)
    set(classes_key "")
    set(base_folder ${program_files})
    set(programs .)
    set(folder "${application}")
    set(suffix "")
    set(for_whom "")
  endif()
  # One product code per version of the package: installing the same version again finds the
  # product installed and changes nothing; another version is another product, upgraded.
  string(UUID product_code NAMESPACE "${upgrade_code}" NAME "${version}" TYPE SHA1 UPPER)

  # The type library, as folio.idl declares it.
  if(NOT idl_text MATCHES "\\[([^]]*)\\][ \t\r\n]*library ")
    message(FATAL_ERROR "folio.idl: no library block")
  endif()
  set(library_attributes "${CMAKE_MATCH_1}")
  if(NOT library_attributes MATCHES "version\\(([0-9]+)\\.([0-9]+)\\)")
    message(FATAL_ERROR "folio.idl: no library version")
  endif()
  # The registry spells the version in hexadecimal digits, as RegisterTypeLib does.
  math(EXPR tlb_major "${CMAKE_MATCH_1}" OUTPUT_FORMAT HEXADECIMAL)
  math(EXPR tlb_minor "${CMAKE_MATCH_2}" OUTPUT_FORMAT HEXADECIMAL)
  string(REGEX REPLACE "^0x" "" tlb_major "${tlb_major}")
  string(REGEX REPLACE "^0x" "" tlb_minor "${tlb_minor}")
  if(NOT library_attributes MATCHES "lcid\\(0x0*([0-9A-Fa-f]+)\\)")
    message(FATAL_ERROR "folio.idl: no library lcid")
  endif()
  string(TOLOWER "${CMAKE_MATCH_1}" tlb_locale)
  # LIBFLAGS: restricted 1, control 2, hidden 4 (the disk-image flag is no property of the
  # library, as registration.cpp says).
  set(tlb_flags 0)
  foreach(flag restricted:1 control:2 hidden:4)
    string(REPLACE ":" ";" flag "${flag}")
    list(GET flag 0 word)
    list(GET flag 1 bit)
    if(library_attributes MATCHES "(^|[ \t\r\n,])${word}([ \t\r\n,]|$)")
      math(EXPR tlb_flags "${tlb_flags} | ${bit}")
    endif()
  endforeach()
  # The dual interfaces' names, by the identity.h name of their identifier.
  foreach(interface ENTRY ENTRY_PAGES UFL)
    if(NOT idl_text MATCHES "uuid\\(FOLIO_IID_${interface}\\),[^]]*\\][ \t\r\n]*interface ([A-Za-z0-9_]+)")
      message(FATAL_ERROR "folio.idl: no interface with the identifier FOLIO_IID_${interface}")
    endif()
    set(name_${interface} "${CMAKE_MATCH_1}")
  endforeach()

  set(gen "${CMAKE_CURRENT_BINARY_DIR}/${target}")
  set(header "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<!-- Generated by installer/package.cmake from identity.h and folio.idl. -->\n<Include>\n")
  file(CONFIGURE OUTPUT "${gen}/package.wxi" CONTENT "${header}\
  <?define ProductName = \"${application} Keystack and Pagestack (${hosts}${for_whom})\"?>
  <?define ProductVersion = \"${version}\"?>
  <?define ProductCode = \"${product_code}\"?>
  <?define UpgradeCode = \"${upgrade_code}\"?>
  <?define Manufacturer = \"${manufacturer}\"?>
  <?define Comments = \"The ${hosts} Keystack.dll and Pagestack.dll for ${hosts} report hosts, and indexfile.exe.\"?>
  <?define InstallScope = \"${scope}\"?>
  <?define RegistryRoot = \"${root}\"?>
  <?define ClassesKey = \"${classes_key}\"?>
  <?define BaseFolder = \"${base_folder}\"?>
  <?define ProgramsName = \"${programs}\"?>
  <?define FolderName = \"${folder}\"?>
  <?define IndexfileComponent = \"${indexfile_component}\"?>
  <?define Platform = \"${platform}\"?>
  <?define Win64 = \"${win64}\"?>
  <?define TypeLibVersion = \"${tlb_major}.${tlb_minor}\"?>
  <?define TypeLibLocale = \"${tlb_locale}\"?>
  <?define TypeLibFlags = \"${tlb_flags}\"?>
  <?define TypeLibMarshaler = \"00020424-0000-0000-C000-000000000046\"?>
  <?define NameEntry = \"${name_ENTRY}\"?>
  <?define NameEntryPages = \"${name_ENTRY_PAGES}\"?>
  <?define NameUfl = \"${name_UFL}\"?>
</Include>
" @ONLY)
  foreach(lib KEYSTACK PAGESTACK)
    _identity(name ${lib}_LIBRARY_NAME)
    string(TOLOWER "${name}" lower)
    set(values "")
    foreach(pair Libid:LIBID ClsidEntry:CLSID_ENTRY ClsidUfl:CLSID_UFL IidEntry:IID_ENTRY
                 IidEntryPages:IID_ENTRY_PAGES IidUfl:IID_UFL Component:COMPONENT_${ARCH}
                 SharedComponent:COMPONENT_SHARED)
      string(REPLACE ":" ";" pair "${pair}")
      list(GET pair 0 variable)
      list(GET pair 1 macro)
      _identity(value ${lib}_${macro})
      if(macro MATCHES "^COMPONENT")
        _for_user(value)
      endif()
      string(APPEND values "  <?define ${variable} = \"${value}\"?>\n")
    endforeach()
    _identity(title FOLIO_TYPELIB_TITLE_${lib})
    set(file_version "")
    foreach(field MAJOR MINOR BUILD REVISION)
      _identity(value ${lib}_VERSION_${field})
      list(APPEND file_version ${value})
    endforeach()
    list(JOIN file_version . file_version)
    file(CONFIGURE OUTPUT "${gen}/${lower}.wxi" CONTENT "${header}\
  <?define Lib = \"${name}\"?>
  <?define TypeLibTitle = \"${title}\"?>
  <?define FileVersion = \"${file_version}\"?>
${values}</Include>
" @ONLY)
  endforeach()

  # wixl finds the files in its working folder: the package's files are copied there first.
  set(output "${output_folder}/${application}-${version}-${arch}${suffix}.msi")
  set(files "${gen}/files")
  file(MAKE_DIRECTORY "${files}")
  add_custom_command(OUTPUT "${output}"
    COMMAND ${CMAKE_COMMAND} -E make_directory "${output_folder}"
    COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:keystack_dll> $<TARGET_FILE:pagestack_dll>
            $<TARGET_FILE:indexfile> "${files}"
    COMMAND ${FOLIO_WIXL} -a ${arch} -I "${gen}" -o "${output}" "${installer_dir}/folio.wxs"
    WORKING_DIRECTORY "${files}"
    DEPENDS "${installer_dir}/folio.wxs" "${installer_dir}/library.wxi"
            "${gen}/package.wxi" "${gen}/keystack.wxi" "${gen}/pagestack.wxi"
            keystack_dll pagestack_dll indexfile
    COMMENT "Windows Installer package ${application}-${version}-${arch}${suffix}.msi"
    VERBATIM)
  add_custom_target(${target} ALL DEPENDS "${output}")
  set_target_properties(${target} PROPERTIES FOLIO_MSI_FILE "${output}")
endfunction()
