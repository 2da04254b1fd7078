# The Debian package: manual pages, AppStream data, copyright and changelog next to the
# program's own install rules, and CPack's DEB generator (`cpack -G DEB` in the build tree).
# The menu entry, the document type and the icons are installed by view/.

set(KANTILO_HOMEPAGE "https://kantilo.example.org/")
set(KANTILO_APPSTREAM_ID "org.example.kantilo")
set(CPACK_PACKAGE_CONTACT "Kantilo developers <kantilo@example.org>")

set(KANTILO_PACKAGE_FILES ${CMAKE_BINARY_DIR}/package-files)
execute_process(COMMAND date -u -R -d "${KANTILO_RELEASE_DATE} 12:00"
                OUTPUT_VARIABLE KANTILO_RELEASE_DATE_RFC2822 OUTPUT_STRIP_TRAILING_WHITESPACE
                COMMAND_ERROR_IS_FATAL ANY)

# Debian wants manual pages and changelogs compressed with -9 and without a time stamp, so
# the same sources always give the same package.
function(kantilo_gzipped_file source output)
  configure_file(${source} ${output} @ONLY)
  add_custom_command(OUTPUT ${output}.gz
                     COMMAND gzip -9 -n -k -f ${output}
                     DEPENDS ${output} ${source}
                     VERBATIM)
  set_property(GLOBAL APPEND PROPERTY KANTILO_GZIPPED_FILES ${output}.gz)
endfunction()

kantilo_gzipped_file(${PROJECT_SOURCE_DIR}/doc/man/kantilo.1.in ${KANTILO_PACKAGE_FILES}/man/man1/kantilo.1)
kantilo_gzipped_file(${PROJECT_SOURCE_DIR}/doc/man/kantilo.de.1.in
                     ${KANTILO_PACKAGE_FILES}/man/de/man1/kantilo.1)
kantilo_gzipped_file(${PROJECT_SOURCE_DIR}/doc/changelog.in ${KANTILO_PACKAGE_FILES}/changelog)
get_property(KANTILO_GZIPPED_FILES GLOBAL PROPERTY KANTILO_GZIPPED_FILES)
add_custom_target(kantilo_package_files ALL DEPENDS ${KANTILO_GZIPPED_FILES})

configure_file(${PROJECT_SOURCE_DIR}/resources/kantilo.metainfo.xml.in
               ${KANTILO_PACKAGE_FILES}/${KANTILO_APPSTREAM_ID}.metainfo.xml @ONLY)

install(FILES ${KANTILO_PACKAGE_FILES}/man/man1/kantilo.1.gz DESTINATION share/man/man1)
install(FILES ${KANTILO_PACKAGE_FILES}/man/de/man1/kantilo.1.gz DESTINATION share/man/de/man1)
install(FILES ${KANTILO_PACKAGE_FILES}/${KANTILO_APPSTREAM_ID}.metainfo.xml DESTINATION share/metainfo)
install(FILES ${KANTILO_PACKAGE_FILES}/changelog.gz ${PROJECT_SOURCE_DIR}/doc/copyright
        DESTINATION share/doc/kantilo)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kantilo)
set(CPACK_PACKAGE_VENDOR "Kantilo developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "melody editor with a built-in sampler")
# CPack indents the lines and turns the empty line between the paragraphs into " .".
set(CPACK_PACKAGE_DESCRIPTION [=[
Kantilo writes one-voice melodies in four-four time: pick a note or rest
length and click on the staff (thirteen pitches from C4 to A5 in
just-intonation C major). Its sampler renders the song into a WAV file from
an instrument recording or a built-in sine tone and plays it. Songs are
saved as Kantilo documents (.kt), exchanged as MusicXML and MIDI and written
out as PDF, SVG or PNG, also from the command line without a display. The
program speaks German.

Deutsch: Kantilo schreibt einstimmige Melodien im Viervierteltakt: eine
Noten- oder Pausenlänge wählen und auf die Notenlinien klicken (dreizehn
Tonhöhen von C4 bis A5 in reiner C-Dur-Stimmung). Der Sampler generiert das
Lied als WAV-Datei aus einer Instrumentaufnahme oder einem eingebauten
Sinuston und spielt es ab. Lieder werden als Kantilo-Dokumente (.kt)
gespeichert, als MusicXML und MIDI ausgetauscht und als PDF, SVG oder PNG
ausgegeben, auch auf der Kommandozeile ohne Anzeige.]=])
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${KANTILO_HOMEPAGE})
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The libraries name what the binaries link; the window needs Qt's platform plugins as well,
# which libqt6gui6 only recommends, and the pages' title and foot are set in DejaVu Sans.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, fonts-dejavu-core")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "gstreamer1.0-plugins-good, qt6-translations-l10n")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_STRIP_FILES ON)
include(CPack)
