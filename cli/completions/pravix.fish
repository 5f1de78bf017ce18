# fish completion for pravix: the commands, each command's options, and files.
set -l commands pack extract info
complete -c pravix -f
complete -c pravix -n "not __fish_seen_subcommand_from $commands" -a pack -d 'Pack movies into projectors or screen savers'
complete -c pravix -n "not __fish_seen_subcommand_from $commands" -a extract -d 'Take the movies out of projectors'
complete -c pravix -n "not __fish_seen_subcommand_from $commands" -a info -d 'Tell what each file is'
complete -c pravix -n "not __fish_seen_subcommand_from $commands" -l version -d 'Show the version and the licence'
complete -c pravix -s h -l help -d 'Show the usage'
complete -c pravix -n "__fish_seen_subcommand_from $commands" -s q -l quiet -d 'Tell failures only'
complete -c pravix -n "__fish_seen_subcommand_from $commands" -s v -l verbose -d 'Also tell each file written, or each packed file'
complete -c pravix -n "__fish_seen_subcommand_from pack extract" -s o -l output -r -F -d 'Write TARGET instead, "-" for standard output'
complete -c pravix -n "__fish_seen_subcommand_from pack extract" -s d -l output-dir -r -f -a '(__fish_complete_directories)' -d 'Write each result into DIR'
complete -c pravix -n "__fish_seen_subcommand_from pack extract" -s f -l force -d 'Replace a target that exists'
complete -c pravix -n "__fish_seen_subcommand_from pack" -s s -l screen-saver -d 'Pack a screen saver instead of a projector'
complete -c pravix -n "__fish_seen_subcommand_from pack" -l stub -r -F -d 'Pack behind FILE instead of the installed stub'
complete -c pravix -n "__fish_seen_subcommand_from pack" -l include -r -f -a '(__fish_complete_directories)' -d 'Pack the files of DIR with each movie'
complete -c pravix -n "__fish_seen_subcommand_from pack" -l icon -r -f -a '(__fish_complete_path (commandline -ct | string replace -r -- "^--icon=" "") | string match -rie -- "\.ico\t|/\t")' -d 'Give each package the icon of FILE.ico'
complete -c pravix -n "__fish_seen_subcommand_from pack" -l title -r -f -d 'Title the window TEXT'
complete -c pravix -n "__fish_seen_subcommand_from pack" -l version-info -r -f -a 'FileDescription= FileVersion= ProductName= ProductVersion= CompanyName= LegalCopyright= LegalTrademarks= OriginalFilename= InternalName= Comments= PrivateBuild= SpecialBuild=' -d 'Set the version string NAME to VALUE'
complete -c pravix -n "__fish_seen_subcommand_from pack" -l fullscreen -d 'Start full screen'
complete -c pravix -n "__fish_seen_subcommand_from extract" -l files -r -f -a '(__fish_complete_directories)' -d 'Also write the packed files into DIR'
complete -c pravix -n "__fish_seen_subcommand_from info" -l json -d 'One JSON object per file'
complete -c pravix -n "__fish_seen_subcommand_from $commands" -F
