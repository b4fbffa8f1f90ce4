# The installation the main job makes and the benchmark times, written once: the switches of the
# silent run (shortcuts on the desktop and in the Start-menu group, the folder verb, the image
# types associated, into the default destination, so that both settings files are written) and
# that destination. Sourced by tools/main-job.sh and bench/run-bench.sh.
main_job_switches=(/silent /desktop=1 /thumbs=1 /group=1 /assoc=1)
main_job_destination='C:\Program Files\Photavian'
