# Sourced: vemra_version prints the product version (major.minor.build) that res/version.h gives
# the version resource, the one place it is kept; it fails when the text there disagrees.
vemra_version() {
  local header=$1/res/version.h major minor build revision text
  major=$(sed -n 's/^#define VEMRA_VERSION_MAJOR \([0-9]*\)$/\1/p' "$header")
  minor=$(sed -n 's/^#define VEMRA_VERSION_MINOR \([0-9]*\)$/\1/p' "$header")
  build=$(sed -n 's/^#define VEMRA_VERSION_BUILD \([0-9]*\)$/\1/p' "$header")
  revision=$(sed -n 's/^#define VEMRA_VERSION_REVISION \([0-9]*\)$/\1/p' "$header")
  text=$(sed -n 's/^#define VEMRA_VERSION_TEXT "\(.*\)"$/\1/p' "$header")
  if [ -z "$major" ] || [ -z "$minor" ] || [ -z "$build" ] || [ "$text" != "$major.$minor.$build.$revision" ]; then
    echo "res/version.h: the version numbers and VEMRA_VERSION_TEXT do not agree" >&2
    return 1
  fi
  echo "$major.$minor.$build"
}
