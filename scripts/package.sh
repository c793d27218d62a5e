#!/usr/bin/env bash
# Builds the Debian source and binary packages: bash scripts/package.sh [OUT_DIR]
# Whoever builds the package is its maintainer: their name and e-mail
# address come from DEBFULLNAME and DEBEMAIL, as Debian's own tools read
# them. The tree is copied to OUT_DIR/tombora-VERSION (OUT_DIR is build-deb/
# by default), the builder is written into the copy's debian/control and
# debian/changelog, and dpkg-buildpackage builds there; the .dsc, the
# .tar.xz, the .deb and its -dbgsym, the .buildinfo and the .changes land
# in OUT_DIR. debian/README.source says why the committed files name nobody.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
source "$top/scripts/setup.sh"

# DEBEMAIL may also hold "Name <address>"; DEBFULLNAME wins for the name.
name=${DEBFULLNAME:-}
mail=${DEBEMAIL:-}
if [[ $mail =~ ^(.*[^[:space:]])[[:space:]]*\<(.*)\>$ ]]; then
  name=${name:-${BASH_REMATCH[1]}}
  mail=${BASH_REMATCH[2]}
fi
if [ -z "$name" ] || [ -z "$mail" ]; then
  cat >&2 <<'EOF'
scripts/package.sh: the package names the person who builds it as its
maintainer, and nobody is named. Set your name and your e-mail address as
Debian's tools (dch) read them, then run it again:

    export DEBFULLNAME='Your Name'
    export DEBEMAIL='your e-mail address'
EOF
  exit 2
fi

install_packages package
as_invoking_user env DEBFULLNAME="$name" DEBEMAIL="$mail" bash "$top/scripts/package.sh" "$@"

out=$(mkdir -p "${1:-$top/build-deb}" && cd "${1:-$top/build-deb}" && pwd)
version=$(dpkg-parsechangelog -l "$top/debian/changelog" -S Version)
copy=$out/tombora-$version

# tree_files: the files of the tree that a commit of it would hold (tracked
# or new, not ignored, not deleted), NUL-separated; outside a git checkout,
# everything but the build folders.
tree_files() {
  if git -C "$top" rev-parse --git-dir >/dev/null 2>&1; then
    local f
    git -C "$top" ls-files -z --cached --others --exclude-standard --deduplicate |
      while IFS= read -r -d '' f; do
        if [ -e "$top/$f" ] || [ -L "$top/$f" ]; then printf '%s\0' "$f"; fi
      done
  else
    (cd "$top" && find . -path './build*' -prune -o ! -type d -print0)
  fi
}

rm -rf "$copy"
mkdir -p "$copy"
tree_files | tar -C "$top" --null -T - -cf - | tar -C "$copy" -xf -

# The builder in place of the committed placeholder: the control file's
# Maintainer and the newest changelog entry's trailer (its date, which
# dates the files in the package, stays).
NAME=$name MAIL=$mail perl -pi -e 's/^Maintainer: .*/Maintainer: $ENV{NAME} <$ENV{MAIL}>/' \
  "$copy/debian/control"
NAME=$name MAIL=$mail perl -0pi -e 's/^ -- .*? <[^>\n]*>(?=  )/ -- $ENV{NAME} <$ENV{MAIL}>/m' \
  "$copy/debian/changelog"

(cd "$copy" && dpkg-buildpackage -us -uc --jobs-try=auto)
echo "Built in $out:"
(cd "$out" && ls -1 "tombora_$version"* tombora-dbgsym_"$version"_*.deb)
