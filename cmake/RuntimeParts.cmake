# What the installed studio opens at run time without linking it, so dpkg-shlibdeps cannot see
# it: the package declares it here, one package a line with who loads it. The libraries the
# executables link come from dpkg-shlibdeps and are added to these.
#
# Depends: a line whose part is missing shows as a capability off in `velvo --diagnostico`,
# and the package check fails on it.
set(VELVO_RUNTIME_DEPENDS
    opencv-data            # src/fit/FaceFinder: the LBP and Haar face and eye cascades under /usr/share/opencv4
    qt6-translations-l10n  # src/app/main (Qt's translator): the standard dialogs in Portuguese, qtbase_pt_BR.qm
    libqt6sql6-sqlite      # client records (Qt SQL): the SQLite driver plug-in Qt loads by name
    fonts-dejavu-core      # Qt through fontconfig: the help, the first-steps window and metafile text
)
# Recommends: apt installs them by default; without them the studio still works and the
# diagnostics say what is off.
set(VELVO_RUNTIME_RECOMMENDS
    libsane1               # src/platform/SaneScanner: dlopen("libsane.so.1") for "Captura TWAIN"
    sane-utils             # SANE's backends' configuration and saned, for the scanners libsane1 finds
    libqt6sql6-psql        # client records on a shared server (Qt SQL): the PostgreSQL driver plug-in
    xdg-utils              # src/platform/Help: Qt opens the guide in the browser through xdg-open
)
# The face finder's landmark models are not a package: they are shipped in the program folder
# (models/, with their licence), and OpenCV's DNN module is linked, so dpkg-shlibdeps finds it.

string(JOIN ", " CPACK_DEBIAN_PACKAGE_DEPENDS ${VELVO_RUNTIME_DEPENDS})
string(JOIN ", " CPACK_DEBIAN_PACKAGE_RECOMMENDS ${VELVO_RUNTIME_RECOMMENDS})
