# Sourced by the test scripts: `identity NAME` prints the value of NAME from identity.h,
# without quotes (the one source of the deliverables' names and identifiers).
_identity_h="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)/src/core/identity.h"
identity() {
    local value
    value=$(sed -n "s/^#define $1  *\"\{0,1\}\([^\"]*\)\"\{0,1\} *\$/\1/p" "$_identity_h")
    [ -n "$value" ] || { echo "identity.h has no $1" >&2; return 1; }
    printf '%s' "$value"
}
