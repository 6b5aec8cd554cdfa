# Sourced first by the package tests that work in one prefix, with the test's own arguments
# (ARCH PREFIX ...): the Wine helpers, the libraries' identity, the prefix ready, and the checks.
. "$here/../../scripts/wine-env"
. "$here/../com/identity.sh"
wine_env "$1" "$2"
wine_prefix_ready
. "$here/../com/registry_checks.sh"
. "$here/package_checks.sh"
