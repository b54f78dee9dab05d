# Makes the plugin one Lua file, as Wireshark loads it: each module of this
# folder and the printed tables become a function of the table `modules`,
# and the main file, which loads them from there, comes last.
#   cmake -DOUT=plugin.lua -DMAIN=vandrel.lua "-DMODULES=a.lua;b.lua" -P assemble.cmake
file(WRITE ${OUT}.new "-- Vandrel's dissector for Wireshark, assembled from tools/wireshark and the\n"
  "-- library's own tables when the project is built: do not edit.\nlocal modules = {}\n")
foreach(module ${MODULES})
  get_filename_component(name ${module} NAME_WE)
  file(READ ${module} text)
  file(APPEND ${OUT}.new "modules[\"${name}\"] = function()\n${text}end\n")
endforeach()
file(READ ${MAIN} text)
file(APPEND ${OUT}.new "${text}")
file(RENAME ${OUT}.new ${OUT})
