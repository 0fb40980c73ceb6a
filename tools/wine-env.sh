# Sourced by everything that runs Brelunda.exe under Wine: a 64-bit prefix, quiet, without the
# .NET and HTML runtimes Wine would offer to download, and without menu entries on the host.
# Debian after 13 keeps wineserver beside Wine's libraries, out of the PATH.
command -v wineserver >/dev/null || PATH=$PATH:$(dirname "$(compgen -G '/usr/lib/*/wine/wineserver' | head -n 1)")
export PATH WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
