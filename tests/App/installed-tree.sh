#!/bin/sh
# Installs the build into a temporary prefix, then into a staging root with DESTDIR, and runs
# what was installed. Arguments: the cmake program and the build folder.
set -eu
cmake=$1
build=$2
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
mkdir "$scratch/home"

check_tree() {
    prefix=$1
    for file in bin/brenvik libexec/brenvik/brenvik-agent share/brenvik/info.brkkb share/man/man1/brenvik.1 \
        share/bash-completion/completions/brenvik share/zsh/vendor-completions/_brenvik \
        share/fish/vendor_completions.d/brenvik.fish; do
        [ -e "$prefix/$file" ] || { echo "missing: $file" >&2; exit 1; }
    done
    version=$("$prefix/bin/brenvik" --version --home "$scratch/home" --layout linux)
    case "$version" in
        "brenvik "*"knowledge base 1."*"($2/share/brenvik/info.brkkb)"*) ;;
        *) echo "unexpected version output from $prefix: $version" >&2; exit 1 ;;
    esac
}

"$cmake" --install "$build" --prefix "$scratch/usr" >/dev/null
check_tree "$scratch/usr" "$scratch/usr"

# With DESTDIR the files land under it, and the program still finds its data beside itself.
DESTDIR="$scratch/stage" "$cmake" --install "$build" --prefix /opt/brenvik >/dev/null
check_tree "$scratch/stage/opt/brenvik" "$scratch/stage/opt/brenvik"
echo "installed trees run"
