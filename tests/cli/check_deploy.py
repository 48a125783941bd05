#!/usr/bin/env python3
"""Checks the deployment examples in deploy/ as far as this machine allows: the Kubernetes manifests parse
and their fields agree with each other and with the program's options, the systemd units pass
systemd-analyze verify (when it is installed) and run the installed program, the Containerfile builds the
image the manifests use on Debian 12 from the Debian package alone, and the GNU parallel script is valid
shell using only real options.

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
    """The options given to Quorvane in a command text (the unpacked Quorvane or the installed
    /usr/bin/quorvane); every one must be an option of the program."""
    found = []
    for line in re.findall(r"(?:Quorvane|/usr/bin/quorvane)\"?((?: +[^\n;|&]*)?)", text):
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
    check("/usr/bin/quorvane" in script and "/usr/bin/quorvane" in merge_script,
          "the Jobs run the program where the package installs it")
    for job_script, job in ((script, "shard Job"), (merge_script, "merge Job")):
        check("XDG_DATA_HOME=" in job_script, f"{job}: the data folder is set for the installed program")

# The Containerfile: Debian 12; a first stage makes the package, the image installs only the package.
with open(os.path.join(deploy, "Containerfile"), encoding="utf-8") as f:
    containerfile = f.read()
stages = re.split(r"^FROM ", containerfile, flags=re.M)[1:]
check(len(stages) == 2 and all(re.match(r"debian:(12|bookworm)\b", s) for s in stages),
      "both stages are Debian 12")
if len(stages) == 2:
    check("scripts/package" in stages[0], "the first stage makes the package with scripts/package")
    image = stages[1]
    check(re.search(r"apt-get install .*quorvane_\*_amd64\.deb", image), "the image installs the package")
    check("install-deps" not in image and "cmake" not in image and "COPY . " not in image,
          "the image holds no build or test packages, nor the sources")
    check('ENTRYPOINT ["/usr/bin/quorvane"]' in image, "the image starts the installed program")

# systemd: the template units, verified with a stand-in program and configuration folder.
units = os.path.join(deploy, "systemd")
for name in sorted(os.listdir(units)):
    with open(os.path.join(units, name), encoding="utf-8") as f:
        program_options(f.read(), name)
with open(os.path.join(units, "quorvane-shard@.service"), encoding="utf-8") as f:
    shard_unit = f.read()
    check("--update --shard %i/${QUORVANE_SHARDS}" in shard_unit, "the instance name is the shard")
    check("ExecStart=/usr/bin/quorvane " in shard_unit and "XDG_DATA_HOME=" in shard_unit,
          "the shard runs the installed program with a data folder of its own")
if shutil.which("systemd-analyze"):
    with tempfile.TemporaryDirectory() as tmp:
        installed = os.path.join(tmp, "bin", "quorvane")
        os.makedirs(os.path.dirname(installed))
        shutil.copy(program, installed)
        unit_dir = os.path.join(tmp, "units")
        os.makedirs(unit_dir)
        for name in os.listdir(units):
            with open(os.path.join(units, name), encoding="utf-8") as f:
                text = f.read().replace("/usr/bin/quorvane", installed).replace("User=quorvane", "")
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
