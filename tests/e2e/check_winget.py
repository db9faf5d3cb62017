#!/usr/bin/env python3
"""Checks the winget manifests that tkds make wrote for a setup program.

Usage: check_winget.py SCHEMA_DIR MANIFEST_DIR PACKAGE_ID SETUP_EXE

Each of the three files must be YAML that validates against the published
schema of its type, all three must name the same package and version, and
every installer's hash must be the setup file's. Prints the uninstall entry
the installer manifest promises, one "name=value" line each, for the caller to
compare with what setup registers, and each installer's scope, elevation and
custom switch.
"""
import hashlib
import json
import sys

import jsonschema
import yaml


def main():
    schema_dir, manifest_dir, package_id, setup_exe = sys.argv[1:5]
    files = {
        "version": f"{package_id}.yaml",
        "installer": f"{package_id}.installer.yaml",
        "defaultLocale": None,  # named after its locale, read from the version file
    }
    manifests = {}
    version = yaml.safe_load(open(f"{manifest_dir}/{files['version']}", encoding="utf-8"))
    files["defaultLocale"] = f"{package_id}.locale.{version['DefaultLocale']}.yaml"
    for kind, name in files.items():
        with open(f"{manifest_dir}/{name}", encoding="utf-8") as f:
            manifest = yaml.safe_load(f)
        with open(f"{schema_dir}/manifest.{kind}.1.10.0.json", encoding="utf-8") as f:
            schema = json.load(f)
        errors = [e.message for e in jsonschema.Draft7Validator(schema).iter_errors(manifest)]
        if errors:
            sys.exit(f"{name}: " + "; ".join(errors))
        if manifest["ManifestType"] != kind or manifest["PackageIdentifier"] != package_id:
            sys.exit(f"{name}: ManifestType or PackageIdentifier wrong")
        if manifest["PackageVersion"] != version["PackageVersion"]:
            sys.exit(f"{name}: another PackageVersion than the version file's")
        manifests[kind] = manifest

    installer = manifests["installer"]
    digest = hashlib.sha256(open(setup_exe, "rb").read()).hexdigest().upper()
    if any(i["InstallerSha256"].upper() != digest for i in installer["Installers"]):
        sys.exit(f"InstallerSha256 is not the hash of {setup_exe} ({digest})")
    entry = installer["AppsAndFeaturesEntries"][0]
    for name in ("DisplayName", "Publisher", "DisplayVersion"):
        print(f"{name}={entry[name]}")
    print(f"ProductCode={installer['ProductCode']}")
    print(f"Architecture={installer['Installers'][0]['Architecture']}")
    print(f"Switches={json.dumps(installer['InstallerSwitches'], sort_keys=True)}")
    print("Installers=" + "; ".join(
        " ".join([i["Scope"], i["ElevationRequirement"]] + list(i.get("InstallerSwitches", {}).values()))
        for i in installer["Installers"]))
    print(f"Codes={sorted((c['InstallerReturnCode'], c['ReturnResponse']) for c in installer['ExpectedReturnCodes'])}")
    print(f"PackageName={manifests['defaultLocale']['PackageName']}")


if __name__ == "__main__":
    main()
