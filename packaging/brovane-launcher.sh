#!/bin/sh
# Starts Brovane from its program folder, lib/brovane beside this launcher's bin folder.
here=$(dirname "$(readlink -f "$0")")
exec "$here/../lib/brovane/brovane" "$@"
