# The Debian package: `cmake --build build --target package` or
# scripts/package.sh (a release build with the prefix /usr).
set(KURVEX_MAINTAINER "The Kurvex developers <kurvex@kurvex.org>" CACHE STRING "Maintainer of the Debian package")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kurvex)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT ${KURVEX_MAINTAINER})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "nonlinear regression analysis with a Japanese user interface")
set(CPACK_PACKAGE_DESCRIPTION [=[Kurvex fits models to measured data by weighted least squares: the
linear models directly, the others by the Levenberg-Marquardt method. It
reads comma-separated tables, offers nine built-in models and models typed
in its own formula language, and reports the coefficients with confidence
limits, the residual sum of squares, the coefficient of determination and
an analysis of variance, with a chart of the data and the fitted curve.
.
Prediction, Bayesian and cubic splines, Kendall's rank test, a data-table
editor, printing and chart export come with it. kurvex-cli runs the same
analyses from the command line and prints JSON.]=])
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${KURVEX_HOMEPAGE})
# The libraries come from dpkg-shlibdeps; the rest is what the program needs
# at run time beyond them: Qt's Japanese texts (file dialogs, print preview)
# and the Japanese fonts the windows and the chart ask for. The X11 platform
# plugin comes with libqt6gui6.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-translations-l10n, fonts-ipafont-gothic, fonts-ipafont-mincho")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
include(CPack)
