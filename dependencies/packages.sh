# Shell functions over debian-packages, for scripts to source.

packages_file="$(dirname "${BASH_SOURCE[0]}")/debian-packages"

# The packages of the given purposes, one a line.
packages_for() {
  awk -v wanted=" $* " '!/^#/ && NF && index(wanted, " " $1 " ") {
    for (i = 2; i <= NF; i++) print $i
  }' "$packages_file"
}

# Those of the given purposes' packages that are not installed, one a line.
missing_packages() {
  local package
  for package in $(packages_for "$@"); do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' ||
      echo "$package"
  done
}

# Installs what is missing of the given purposes' packages (needs root and apt-get).
install_missing_packages() {
  local missing
  missing=$(missing_packages "$@")
  if [ -z "$missing" ]; then
    return 0
  fi
  echo "installing: $(echo $missing)"
  apt-get update -qq &&
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends $missing
}
