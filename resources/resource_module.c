/* A module that holds nothing but resources (the tests' copy of the
   program's resources without the terms of use). */
int wiesen_resource_module_marker = 1;
