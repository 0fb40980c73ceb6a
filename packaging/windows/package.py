#!/usr/bin/python3
"""Makes what a Windows user downloads: the installer (an .msi built by wixl from brelunda.wxs) and
the portable zip, with the files the installer installs. Two runs on the same files give the same
bytes, whenever and wherever they run:

    package.py --version 1.0.0 --epoch SECONDS --staging DIR [--msi OUT] [--zip OUT] [--wixl WIXL] NAME=FILE...

NAME=FILE gives each file brelunda.wxs names (Source="NAME") and where it is; they are copied into
the staging folder, where wixl looks for them. --epoch is the date every file and the installer's
summary carry (SOURCE_DATE_EPOCH, as the build hands it down)."""

import argparse
import hashlib
import os
import shutil
import subprocess
import time
import uuid
import xml.etree.ElementTree as ElementTree
import zipfile
from pathlib import Path

import gi

try:
    gi.require_version("Libmsi", "1.0")
except ValueError:
    raise SystemExit("package.py: libmsi's bindings are missing; apt-get install gir1.2-libmsi-1.0")
from gi.repository import Libmsi  # noqa: E402

WXS = Path(__file__).with_name("brelunda.wxs")
WIX = "{http://schemas.microsoft.com/wix/2006/wi}"
# FILETIME counts 100 ns steps from 1601-01-01; the Unix epoch is this many seconds later.
FILETIME_UNIX_EPOCH = 11644473600
# A zip's DOS dates begin in 1980.
ZIP_EARLIEST = 315532800


def stage(staging, files, epoch):
    # The cabinet inside the installer keeps each file's modification time, and the zip its mode:
    # the copies get both from here rather than from the build's clock and umask.
    staging.mkdir(parents=True, exist_ok=True)
    for name, source in files.items():
        target = staging / name
        shutil.copyfile(source, target)
        os.chmod(target, 0o644)
        os.utime(target, (epoch, epoch))


def guid(value):
    return "{" + str(value).upper() + "}"


def set_summary(msi, epoch, package_code):
    database = Libmsi.Database.new(str(msi), Libmsi.DbFlags.TRANSACT, None)
    summary = Libmsi.SummaryInfo.new(database, 3)  # the number of properties set below
    filetime = (epoch + FILETIME_UNIX_EPOCH) * 10_000_000
    summary.set_filetime(Libmsi.Property.CREATED_TM, filetime)
    summary.set_filetime(Libmsi.Property.LASTSAVED_TM, filetime)
    summary.set_string(Libmsi.Property.UUID, package_code)
    summary.persist()
    database.commit()


def make_msi(msi, version, epoch, staging, upgrade_code, wixl):
    # One ProductCode per version: every build of 1.0.0 is the same product to Windows Installer,
    # so installing a second one cannot add a second entry to Add/Remove Programs, while another
    # version is another product that replaces this one (MajorUpgrade, by the UpgradeCode).
    product_code = guid(uuid.uuid5(upgrade_code, version))
    subprocess.run([wixl, "-a", "x64", "-D", f"Version={version}", "-D", f"ProductCode={product_code}",
                    "-o", str(msi), str(WXS)], cwd=staging, check=True)
    # wixl stamps the summary with the time of the run and a random PackageCode. Windows Installer
    # takes two packages with one PackageCode for the same package, so the code is derived from
    # everything else in the file: different content never shares one, the same content always does.
    set_summary(msi, epoch, guid(uuid.UUID(int=0)))
    package_code = guid(uuid.uuid5(upgrade_code, hashlib.sha256(msi.read_bytes()).hexdigest()))
    set_summary(msi, epoch, package_code)


def make_zip(path, names, epoch, staging):
    # Dates in UTC and fixed modes: a zip otherwise takes the build's time zone and umask.
    date = time.gmtime(max(epoch, ZIP_EARLIEST))[:6]
    with zipfile.ZipFile(path, "w") as archive:
        for name in sorted(names):
            entry = zipfile.ZipInfo(name, date)
            entry.create_system = 3
            entry.external_attr = 0o100644 << 16
            entry.compress_type = zipfile.ZIP_DEFLATED
            archive.writestr(entry, (staging / name).read_bytes())


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--version", required=True)
    parser.add_argument("--epoch", required=True, type=int)
    parser.add_argument("--staging", required=True, type=Path)
    parser.add_argument("--msi", type=Path)
    parser.add_argument("--zip", type=Path)
    parser.add_argument("--wixl", default="wixl")
    parser.add_argument("files", nargs="+", metavar="NAME=FILE")
    args = parser.parse_args()
    files = dict(pair.split("=", 1) for pair in args.files)

    product = ElementTree.parse(WXS).getroot().find(f"{WIX}Product")
    installed = [element.get("Source") for element in product.iter(f"{WIX}File")]
    missing = [name for name in installed if name not in files]
    if missing:
        parser.error(f"brelunda.wxs installs {', '.join(missing)}, not given")

    stage(args.staging, files, args.epoch)
    if args.msi:
        upgrade_code = uuid.UUID(product.get("UpgradeCode"))
        make_msi(args.msi.resolve(), args.version, args.epoch, args.staging, upgrade_code, args.wixl)
    if args.zip:
        # The portable zip holds what the installer installs.
        make_zip(args.zip, installed, args.epoch, args.staging)


if __name__ == "__main__":
    main()
