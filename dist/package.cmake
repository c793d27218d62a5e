# The Debian package, made by CPack from a build laid out the Debian way
# (scripts/package.sh configures that build and runs `cpack -G DEB`).
set(CPACK_PACKAGE_NAME tombora)
set(CPACK_PACKAGE_VENDOR "The とんぼら developers")
set(CPACK_PACKAGE_CONTACT "The とんぼら developers <tombora@users.noreply.github.com>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "typing game: type the letters the cats carry")
set(CPACK_PACKAGE_DESCRIPTION
"Five cats walk across the field, each holding a sign with a capital
letter; type the letters. A hit sends the cat flying on a spring, and it
comes back later with a new letter. A round lasts 80 counted seconds; then
the game shows the score, the accuracy and two ratings, and ranks the
round into the table of the three best.
.
The game's texts are Japanese.")
set(CPACK_PACKAGE_HOMEPAGE_URL https://github.com/tombora/tombora)
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# The libraries' packages come from dpkg-shlibdeps; the rest the game
# loads by name: the synthesiser's library (opened only when there is a
# sound device, so shlibdeps cannot see it), the General MIDI SoundFont it
# plays its music with, the font of its texts and Qt's Japanese button
# labels.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "libfluidsynth3, timgm6mb-soundfont | sf2-soundfont-gm, fonts-ipafont-gothic, qt6-translations-l10n")
# A native window on Wayland desktops.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS qt6-wayland)

include(CPack)
