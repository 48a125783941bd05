#!/usr/bin/env python3
"""Checks the deployment examples in deploy/ as far as this machine allows: the Kubernetes manifests parse
and their fields agree with each other and with the program's options, the systemd units pass
systemd-analyze verify (when it is installed), the Containerfile builds the image the manifests use on
Debian 12 with scripts/install-deps, and the GNU parallel script is valid shell using only real options.

    check_deploy.py SOURCE_DIR PROGRAM
"""
import os
import re
import shutil
import subprocess
import sys
import tempfile

import yaml

failures = []


def check(condition, message):
    if not condition:
        failures.append(message)


source, program = sys.argv[1], sys.argv[2]
deploy = os.path.join(source, "deploy")
usage = subprocess.run([program, "--help"], capture_output=True, text=True, check=True).stdout
known = set(re.findall(r"^  (--[a-z-]+)", usage, re.M))
check("--shard" in known and "--merge" in known, "the usage lists --shard and --merge")


def program_options(text, where):
    """The options given to Quorvane in a command text; every one must be an option of the program."""
    found = []
    for line in re.findall(r"Quorvane\"?((?: +[^\n;|&]*)?)", text):
        found += re.findall(r"(?<![\w-])(--[a-z][a-z-]*)", line)
    for option in found:
        check(option in known, f"{where}: Quorvane has no option {option}")
    return found


# Kubernetes: the Indexed Job of the shards and the merge Job.
with open(os.path.join(deploy, "kubernetes", "quorvane-shards.yaml"), encoding="utf-8") as f:
    shard_docs = [d for d in yaml.safe_load_all(f) if d]
with open(os.path.join(deploy, "kubernetes", "quorvane-merge.yaml"), encoding="utf-8") as f:
    merge_docs = [d for d in yaml.safe_load_all(f) if d]
by_kind = {(d["kind"], d["metadata"]["name"]): d for d in shard_docs + merge_docs}
shards = by_kind.get(("Job", "quorvane-shards"))
merge = by_kind.get(("Job", "quorvane-merge"))
proxies = by_kind.get(("ConfigMap", "quorvane-proxies"))
check(shards and merge and proxies, "the manifests hold the shard Job, the merge Job and the proxies")
if shards and merge and proxies:
    spec = shards["spec"]
    n = spec.get("completions")
    check(spec.get("completionMode") == "Indexed", "the shard Job is an Indexed Job")
    check(isinstance(n, int) and n >= 1 and spec.get("parallelism") == n,
          "the shard Job runs all its completions side by side")
    pod = spec["template"]["spec"]
    check(pod.get("restartPolicy") == "Never", "a failed shard pod is not restarted in place")
    container = pod["containers"][0]
    script = "\n".join(container.get("args", []))
    options = program_options(script, "shard Job")
    check(options[:2] == ["--update", "--shard"], "the shard pod runs --update --shard")
    shard_arg = re.search(r'--shard "?\$JOB_COMPLETION_INDEX/(\d+)"?', script)
    check(shard_arg is not None, "the shard is the pod's completion index")
    if shard_arg:
        check(int(shard_arg.group(1)) == n, f"--shard .../{shard_arg.group(1)} matches completions: {n}")
    check("https_proxy" in script and "/etc/quorvane/proxies" in script, "each pod takes its own proxy")
    lines = [l for l in proxies["data"]["proxies"].splitlines() if l.strip()]
    check(len(lines) >= (n or 0), f"a proxy for each of the {n} shards ({len(lines)} listed)")
    check('/results/shard-$JOB_COMPLETION_INDEX.mdb' in script, "each pod leaves its copy in the results")

    merge_pod = merge["spec"]["template"]["spec"]
    merge_container = merge_pod["containers"][0]
    merge_script = "\n".join(merge_container.get("args", []))
    check(program_options(merge_script, "merge Job") == ["--merge"], "the merge Job runs --merge")
    check("/results/shard-*.mdb" in merge_script, "the merge takes every shard's copy")
    check(merge_container["image"] == container["image"], "both Jobs use the same image")
    for job_pod, job in ((pod, "shard Job"), (merge_pod, "merge Job")):
        volumes = {v["name"] for v in job_pod.get("volumes", [])}
        for c in job_pod["containers"]:
            for mount in c.get("volumeMounts", []):
                check(mount["name"] in volumes, f"{job}: the mount {mount['name']} has a volume")
    claims = lambda p: {v["persistentVolumeClaim"]["claimName"] for v in p["volumes"] if "persistentVolumeClaim" in v}
    check(claims(pod) == claims(merge_pod), "the shards and the merge use the same volumes")
    check("cp /opt/quorvane/Quorvane" in script and "cp /opt/quorvane/Quorvane" in merge_script,
          "the Jobs take the program where the image puts it")

# The Containerfile: Debian 12, the packages of scripts/install-deps, the program at /opt/quorvane.
with open(os.path.join(deploy, "Containerfile"), encoding="utf-8") as f:
    containerfile = f.read()
check(re.search(r"^FROM debian:(12|bookworm)\b", containerfile, re.M), "the image is Debian 12")
check("scripts/install-deps" in containerfile, "the image installs the packages of scripts/install-deps")
check("--target Quorvane" in containerfile and "/opt/quorvane/Quorvane" in containerfile,
      "the image builds the program into /opt/quorvane")

# systemd: the template units, verified with a stand-in program and configuration folder.
units = os.path.join(deploy, "systemd")
for name in sorted(os.listdir(units)):
    with open(os.path.join(units, name), encoding="utf-8") as f:
        program_options(f.read(), name)
with open(os.path.join(units, "quorvane-shard@.service"), encoding="utf-8") as f:
    check("--update --shard %i/${QUORVANE_SHARDS}" in f.read(), "the instance name is the shard")
if shutil.which("systemd-analyze"):
    with tempfile.TemporaryDirectory() as tmp:
        root = os.path.join(tmp, "opt")
        for path in ("shards/0/Quorvane", "Quorvane"):
            os.makedirs(os.path.dirname(os.path.join(root, path)), exist_ok=True)
            shutil.copy(program, os.path.join(root, path))
        unit_dir = os.path.join(tmp, "units")
        os.makedirs(unit_dir)
        for name in os.listdir(units):
            with open(os.path.join(units, name), encoding="utf-8") as f:
                text = f.read().replace("/opt/quorvane", root).replace("User=quorvane", "")
            with open(os.path.join(unit_dir, name), "w", encoding="utf-8") as f:
                f.write(text)
        for template in ("quorvane-shard@.service", "quorvane-shard@.timer"):
            os.link(os.path.join(unit_dir, template), os.path.join(unit_dir, template.replace("@", "@0")))
        verify = subprocess.run(
            ["systemd-analyze", "verify", "--man=no",
             *[os.path.join(unit_dir, n) for n in ("quorvane-shard@0.service", "quorvane-shard@0.timer",
                                                   "quorvane-merge.service", "quorvane-merge.timer")]],
            capture_output=True, text=True, env={**os.environ, "SYSTEMD_UNIT_PATH": unit_dir + ":"})
        # Messages about the host's own units (this machine may not boot with systemd) are not ours.
        ours = [l for l in verify.stderr.splitlines() if "quorvane" in l]
        check(not ours, "systemd-analyze verify: " + "\n".join(ours))
else:
    print("SKIPPED: systemd-analyze is not installed; the units were not verified")

# The GNU parallel script: valid shell, real options.
script_path = os.path.join(deploy, "parallel-shards.sh")
check(subprocess.run(["bash", "-n", script_path]).returncode == 0, "parallel-shards.sh is valid shell")
with open(script_path, encoding="utf-8") as f:
    check(program_options(f.read(), "parallel-shards.sh")[:3] == ["--update", "--shard", "--quiet"],
          "the script runs --update --shard")

for failure in failures:
    print("FAILED:", failure)
sys.exit(1 if failures else 0)
