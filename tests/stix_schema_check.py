#!/usr/bin/env python3
"""Validates Orvane's STIX exports against the STIX 2.1 JSON schemas, object by object.

Each bundle given is imported by orvane-cli into a new project and exported again from the
saved project; each project given is exported as it is (from a copy). Every exported object
is checked against its own type's schema. Exits 77 (skipped) when python3-jsonschema or the
schemas are missing.
"""
import argparse
import json
import os
import shutil
import subprocess
import sys
import tempfile
import warnings

SKIPPED = 77


def load_schemas(root):
    store = {}
    for folder, _, files in os.walk(root):
        for name in files:
            if name.endswith(".json"):
                with open(os.path.join(folder, name), encoding="utf-8") as handle:
                    schema = json.load(handle)
                store[schema["$id"]] = schema
    return store


def schema_file(root, object_type):
    for sub in ("sdos", "sros", "observables", "common"):
        path = os.path.join(root, sub, object_type + ".json")
        if os.path.isfile(path):
            return path
    # Custom objects have no schema of their own.
    return os.path.join(root, "common", "core.json")


def make_validator(jsonschema, schema, store):
    try:
        # jsonschema 4.18 and later resolve references through a registry.
        from referencing import Registry
        from referencing.jsonschema import DRAFT202012
    except ImportError:
        resolver = jsonschema.RefResolver(schema["$id"], schema, store=store)
        return jsonschema.Draft202012Validator(schema, resolver=resolver)
    registry = Registry().with_resources(
        (uri, DRAFT202012.create_resource(content)) for uri, content in store.items())
    return jsonschema.Draft202012Validator(schema, registry=registry)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--cli", required=True)
    parser.add_argument("--schemas", required=True)
    parser.add_argument("--project", action="append", default=[])
    parser.add_argument("bundles", nargs="*")
    args = parser.parse_args()

    try:
        import jsonschema
    except ImportError:
        print("SKIP: python3-jsonschema is not installed (scripts/install-deps.sh installs it)")
        return SKIPPED
    if not os.path.isdir(args.schemas):
        print("SKIP: no STIX schemas at " + args.schemas)
        return SKIPPED

    store = load_schemas(args.schemas)
    with warnings.catch_warnings():
        warnings.simplefilter("ignore", DeprecationWarning)
        validators = {}

        def validator(object_type):
            path = schema_file(args.schemas, object_type)
            if path not in validators:
                with open(path, encoding="utf-8") as handle:
                    schema = json.load(handle)
                validators[path] = make_validator(jsonschema, schema, store)
            return validators[path]

        failures = 0
        checked = 0
        work = tempfile.mkdtemp()
        try:
            exports = []
            for index, bundle in enumerate(args.bundles):
                project = os.path.join(work, "p%d" % index, "p%d.orvane.db" % index)
                out = os.path.join(work, "p%d.json" % index)
                for command in (["import-stix", project, bundle], ["export-stix", project, out]):
                    subprocess.run([args.cli] + command, check=True, stdout=subprocess.DEVNULL)
                exports.append((bundle, out))
            for index, source in enumerate(args.project):
                copy = os.path.join(work, "copy%d" % index)
                shutil.copytree(os.path.dirname(source), copy)
                out = os.path.join(work, "copy%d.json" % index)
                subprocess.run([args.cli, "export-stix", os.path.join(copy, os.path.basename(source)),
                                out], check=True, stdout=subprocess.DEVNULL)
                exports.append((source, out))
            for source, out in exports:
                with open(out, encoding="utf-8") as handle:
                    bundle = json.load(handle)
                for stix_object in bundle.get("objects", []):
                    errors = sorted(validator(stix_object.get("type", "")).iter_errors(stix_object),
                                    key=str)
                    checked += 1
                    for error in errors:
                        failures += 1
                        print("%s: %s: %s" % (os.path.basename(source), stix_object.get("id"),
                                              error.message))
        finally:
            shutil.rmtree(work, ignore_errors=True)
    print("%d objects checked, %d problems" % (checked, failures))
    return 1 if failures or not checked else 0


if __name__ == "__main__":
    sys.exit(main())
