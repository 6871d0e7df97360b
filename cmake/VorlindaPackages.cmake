# Debian packages from the release build (cmake --preset release, then
# cpack -G DEB in build-release): vorlinda-sozluk, the program with its menu
# entry and icons, and vorlinda-site, the site with its service units.

set(CPACK_PACKAGE_NAME vorlinda-sozluk)
set(CPACK_PACKAGE_VENDOR "Vorlinda Sözlük developers")
set(CPACK_PACKAGE_CONTACT "Vorlinda Sözlük developers <vorlinda-sozluk@example.org>")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://vorlinda-sozluk.example.org/")

if(VORLINDA_SITE_ONLY)
    set(CPACK_COMPONENTS_ALL site)
else()
    set(CPACK_COMPONENTS_ALL program site)
endif()

set(CPACK_DEBIAN_PROGRAM_PACKAGE_NAME vorlinda-sozluk)
set(CPACK_DEBIAN_PROGRAM_PACKAGE_SECTION text)
# What the libraries do not tell dpkg-shlibdeps: Qt's platform plugins are
# loaded at run time. (The web engine's helper process, libqt6webenginecore6-bin,
# comes with its library's shlibs entry.)
set(CPACK_DEBIAN_PROGRAM_PACKAGE_DEPENDS "qt6-qpa-plugins")
# Qt's Turkish texts for its boxes and menus; without them they are English.
set(CPACK_DEBIAN_PROGRAM_PACKAGE_RECOMMENDS "fonts-dejavu-core, qt6-translations-l10n, vorlinda-site")
set(CPACK_COMPONENT_PROGRAM_DESCRIPTION "desktop dictionary with a Turkish user interface
Vorlinda Sözlük looks a word up in an online dictionary site and shows the
translation pairs it finds in a page of its own. It talks to the site over
HTTP or HTTPS, at an address given on the command line, in the environment
or in a settings file; the vorlinda-site package is a stand-in site for it.")

set(CPACK_DEBIAN_SITE_PACKAGE_NAME vorlinda-site)
set(CPACK_DEBIAN_SITE_PACKAGE_SECTION web)
# The dictionaries, Hunspell's word lists, WordNet's irregular forms and
# sense counts and SCOWL's word levels that the site reads
# (scripts/install-deps.sh names the same).
set(site_reads
    wordnet-base scowl
    hunspell-en-us hunspell-tr hunspell-es hunspell-fr hunspell-de-de hunspell-it hunspell-nl
    hunspell-pt-pt hunspell-ro hunspell-sv hunspell-da hunspell-pl hunspell-cs hunspell-hr
    hunspell-hu hunspell-sw)
foreach(pair eng-tur tur-eng eng-spa spa-eng eng-fra fra-eng fra-tur eng-deu deu-eng deu-tur
             tur-deu eng-ita ita-eng ita-tur eng-nld nld-eng eng-por por-eng eng-swe swe-eng
             swe-tur eng-dan dan-eng eng-pol pol-eng pol-tur eng-ces ces-eng eng-hrv hrv-eng
             eng-srp srp-eng eng-hun hun-eng eng-fin fin-eng epo-eng eng-swh swh-eng)
    list(APPEND site_reads dict-freedict-${pair})
endforeach()
list(JOIN site_reads ", " site_reads)
set(CPACK_DEBIAN_SITE_PACKAGE_DEPENDS "${site_reads}")
set(CPACK_DEBIAN_SITE_PACKAGE_SUGGESTS "nginx")
set(CPACK_COMPONENT_SITE_DESCRIPTION "stand-in dictionary site for Vorlinda Sözlük
A small HTTP/1.1 server that answers the dictionary program's lookups from
the FreeDict dictionaries, with Hunspell's and WordNet's word forms, and
serves the vendor pages the program shows. It runs as a systemd service on
port 80, or as several instances behind nginx (vorlinda-site@PORT).")
set(CPACK_DEBIAN_SITE_PACKAGE_CONTROL_EXTRA
    ${PROJECT_SOURCE_DIR}/packaging/debian/postinst
    ${PROJECT_SOURCE_DIR}/packaging/debian/prerm
    ${PROJECT_SOURCE_DIR}/packaging/debian/postrm
    ${PROJECT_SOURCE_DIR}/packaging/debian/triggers)

# Each package's copyright, (native package) changelog and manual page.
set(PROGRAM_MANUAL vorlinda-sozluk.1)
set(SITE_MANUAL vorlinda-site.1)
foreach(component IN LISTS CPACK_COMPONENTS_ALL)
    string(TOUPPER ${component} upper)
    set(package ${CPACK_DEBIAN_${upper}_PACKAGE_NAME})
    set(doc ${CMAKE_BINARY_DIR}/debian/${package})
    configure_file(${PROJECT_SOURCE_DIR}/packaging/debian/changelog.in ${doc}/changelog @ONLY)
    configure_file(${PROJECT_SOURCE_DIR}/packaging/man/${${upper}_MANUAL} ${doc}/${${upper}_MANUAL}
                   COPYONLY)
    execute_process(COMMAND gzip -9nf ${doc}/changelog ${doc}/${${upper}_MANUAL})
    install(FILES ${doc}/changelog.gz ${PROJECT_SOURCE_DIR}/packaging/debian/copyright
            DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${package} COMPONENT ${component})
    install(FILES ${doc}/${${upper}_MANUAL}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1
            COMPONENT ${component})
endforeach()

include(CPack)
