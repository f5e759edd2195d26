<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="pt_PT">
<context>
    <name>AccountLinker</name>
    <message>
        <source>Falta configurar o cliente OAuth da Google nas Definições.</source>
        <translation>The Google OAuth client still needs to be set up in Settings.</translation>
    </message>
</context>
<context>
    <name>OutgoingAddress</name>
    <message>
        <source>Não é um endereço de correio.</source>
        <translation>This is not an email address.</translation>
    </message>
    <message>
        <source>Tem caracteres invisíveis.</source>
        <translation>It contains invisible characters.</translation>
    </message>
    <message>
        <source>Falta o @ e o domínio.</source>
        <translation>The @ and the domain are missing.</translation>
    </message>
    <message>
        <source>Tem mais de um @.</source>
        <translation>It has more than one @.</translation>
    </message>
    <message>
        <source>Falta o nome antes do @.</source>
        <translation>The name before the @ is missing.</translation>
    </message>
    <message>
        <source>Falta o domínio depois do @.</source>
        <translation>The domain after the @ is missing.</translation>
    </message>
    <message>
        <source>Um endereço não tem espaços.</source>
        <translation>An address cannot contain spaces.</translation>
    </message>
</context>
<context>
    <name>vesk-demo</name>
    <message>
        <source>VESK — demonstração</source>
        <translation>VESK — demo</translation>
    </message>
</context>
<context>
    <name>vesk::AboutView</name>
    <message>
        <source>Cliente de Gmail nativo para Linux</source>
        <translation>Native Gmail client for Linux</translation>
    </message>
    <message>
        <source>Versão %1</source>
        <translation>Version %1</translation>
    </message>
</context>
<context>
    <name>vesk::AccountCard</name>
    <message>
        <source>Notificações</source>
        <translation>Notifications</translation>
    </message>
    <message>
        <source>Remover</source>
        <translation>Remove</translation>
    </message>
</context>
<context>
    <name>vesk::AccountListModel</name>
    <message>
        <source>Todas as contas</source>
        <translation>All accounts</translation>
    </message>
    <message numerus="yes">
        <source>%n contas</source>
        <translation>
            <numerusform>%n account</numerusform>
            <numerusform>%n accounts</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n não lidas</source>
        <translation>
            <numerusform>%n unread</numerusform>
            <numerusform>%n unread</numerusform>
        </translation>
    </message>
    <message>
        <source>selecionada</source>
        <translation>selected</translation>
    </message>
</context>
<context>
    <name>vesk::AccountSession</name>
    <message>
        <source>Não foi possível guardar a alteração no disco: se fechar o VESK antes de a ligação voltar, perde-se.</source>
        <translation>Could not save the change to disk: if you quit VESK before the connection is back, it will be lost.</translation>
    </message>
</context>
<context>
    <name>vesk::AccountsSheet</name>
    <message>
        <source>Contas</source>
        <translation>Accounts</translation>
    </message>
    <message>
        <source>Ainda falta o cliente OAuth da Google. Cola o Client ID e o Client Secret nas Definições do VESK (o passo da consola demora poucos minutos e faz-se uma só vez). Sem isso, o VESK não consegue ligar contas, mas todo o resto da app está pronto.</source>
        <translation>The Google OAuth client is still missing. Paste the Client ID and the Client Secret into VESK’s Settings (the console step takes a few minutes and is done only once). Without it VESK cannot connect accounts, but the rest of the app is ready.</translation>
    </message>
    <message>
        <source>Concluir</source>
        <translation>Done</translation>
    </message>
    <message>
        <source>Cancelar</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>À espera do login no navegador. Escreve a senha e o 2FA nas páginas da Google; o VESK recebe só os tokens.</source>
        <translation>Waiting for you to sign in with your browser. Enter your password and 2FA on Google’s pages; VESK only receives the tokens.</translation>
    </message>
    <message>
        <source>Ligar outra conta</source>
        <translation>Connect another account</translation>
    </message>
    <message>
        <source>%1 (%2)</source>
        <translation>%1 (%2)</translation>
    </message>
    <message>
        <source>Remover conta</source>
        <translation>Remove account</translation>
    </message>
    <message>
        <source>Remover a conta %1 do VESK?</source>
        <translation>Remove the account %1 from VESK?</translation>
    </message>
    <message>
        <source>O VESK deixa de ter acesso à conta e apaga o correio que guardou neste computador. O correio na Google fica como está.</source>
        <translation>VESK will no longer have access to the account and will delete the mail it stored on this computer. The mail at Google stays as it is.</translation>
    </message>
</context>
<context>
    <name>vesk::AddressChip</name>
    <message>
        <source>%1 não é um endereço válido: %2</source>
        <translation>%1 is not a valid address: %2</translation>
    </message>
</context>
<context>
    <name>vesk::AppState</name>
    <message>
        <source>(sem assunto)</source>
        <translation>(no subject)</translation>
    </message>
    <message>
        <source>Não foi possível %1 «%2» (%3): %4</source>
        <translation>Could not %1 “%2” (%3): %4</translation>
    </message>
    <message>
        <source>Todas as contas</source>
        <translation>All accounts</translation>
    </message>
    <message>
        <source>%1 — Todas as contas</source>
        <translation>%1 — All accounts</translation>
    </message>
    <message>
        <source>Caixa de entrada</source>
        <translation>Inbox</translation>
    </message>
    <message>
        <source>Enviados</source>
        <translation>Sent</translation>
    </message>
    <message>
        <source>Rascunhos</source>
        <translation>Drafts</translation>
    </message>
    <message>
        <source>Spam</source>
        <translation>Spam</translation>
    </message>
    <message>
        <source>Lixeira</source>
        <translation>Trash</translation>
    </message>
    <message>
        <source>Com estrela</source>
        <translation>Starred</translation>
    </message>
    <message>
        <source>Importantes</source>
        <translation>Important</translation>
    </message>
    <message>
        <source>Não lidas</source>
        <translation>Unread</translation>
    </message>
    <message>
        <source>Caixa de saída</source>
        <translation>Outbox</translation>
    </message>
    <message>
        <source>Para: %1</source>
        <translation>To: %1</translation>
    </message>
    <message>
        <source>O Gmail recusou a mensagem «%1» (%2): %3. Está na Caixa de saída.</source>
        <translation>Gmail refused the message “%1” (%2): %3. It is still in the Outbox.</translation>
    </message>
    <message>
        <source>Uma mensagem da Caixa de saída de %1 não pôde ser lida e ficou de parte em %2.</source>
        <translation>A message in the Outbox of %1 could not be read and was set aside in %2.</translation>
    </message>
    <message>
        <source>Não há nenhuma conta ligada para escrever a mensagem do endereço mailto. Ligue uma conta e abra-o de novo.</source>
        <translation>No account is connected to write the message for the mailto address. Connect an account and open it again.</translation>
    </message>
    <message>
        <source>este rascunho já não está no Gmail: foi enviado ou alterado noutro lado. Atualize a lista e abra-o de novo.</source>
        <translation>this draft is no longer in Gmail: it was sent or changed elsewhere. Refresh the list and open it again.</translation>
    </message>
    <message>
        <source>Não foi possível abrir o rascunho de %1: %2</source>
        <translation>Could not open %1’s draft: %2</translation>
    </message>
    <message>
        <source>As alterações por enviar de %1 não puderam ser lidas e ficaram de parte em %2.</source>
        <translation>The unsent changes of %1 could not be read and were set aside in %2.</translation>
    </message>
    <message>
        <source>A pesquisa precisa de ligação à internet. Tente de novo quando a ligação voltar.</source>
        <translation>Search needs an internet connection. Try again when the connection is back.</translation>
    </message>
</context>
<context>
    <name>vesk::AttachmentRow</name>
    <message>
        <source>Remover</source>
        <translation>Remove</translation>
    </message>
    <message>
        <source>Remover %1</source>
        <translation>Remove %1</translation>
    </message>
    <message>
        <source>Anexo %1, %2</source>
        <translation>Attachment %1, %2</translation>
    </message>
</context>
<context>
    <name>vesk::Autostart</name>
    <message>
        <source>a pasta %1 não pode ser criada</source>
        <translation>the folder %1 cannot be created</translation>
    </message>
</context>
<context>
    <name>vesk::BusySpinner</name>
    <message>
        <source>A trabalhar</source>
        <translation>Working</translation>
    </message>
</context>
<context>
    <name>vesk::CompletionPopup</name>
    <message>
        <source>Sugestões de endereços</source>
        <translation>Address suggestions</translation>
    </message>
</context>
<context>
    <name>vesk::ComposerBodyEdit</name>
    <message>
        <source>Escreve a mensagem. Podes largar ficheiros aqui para os anexar.</source>
        <translation>Write your message. You can drop files here to attach them.</translation>
    </message>
    <message>
        <source>Mensagem</source>
        <translation>Message</translation>
    </message>
</context>
<context>
    <name>vesk::ComposerHeader</name>
    <message>
        <source>Fechar</source>
        <translation>Close</translation>
    </message>
</context>
<context>
    <name>vesk::ComposerSession</name>
    <message>
        <source>Mensagem reencaminhada
De: %1 &lt;%2&gt;
Assunto: %3
Para: %4</source>
        <translation>Forwarded message
From: %1 &lt;%2&gt;
Subject: %3
To: %4</translation>
    </message>
    <message>
        <source>Em %1, %2 escreveu:</source>
        <translation>On %1, %2 wrote:</translation>
    </message>
    <message>
        <source>Escolher ficheiros para anexar</source>
        <translation>Choose files to attach</translation>
    </message>
    <message>
        <source>O rascunho não foi guardado: %1</source>
        <translation>The draft was not saved: %1</translation>
    </message>
    <message>
        <source>Endereço inválido: %1</source>
        <translation>Invalid address: %1</translation>
    </message>
</context>
<context>
    <name>vesk::ComposerView</name>
    <message>
        <source>Os anexos passam o limite de 25 MB do Gmail.</source>
        <translation>The attachments exceed Gmail’s 25 MB limit.</translation>
    </message>
    <message>
        <source>Rascunho guardado</source>
        <translation>Draft saved</translation>
    </message>
    <message>
        <source>Responder</source>
        <translation>Reply</translation>
    </message>
    <message>
        <source>Responder a todos</source>
        <translation>Reply all</translation>
    </message>
    <message>
        <source>Reencaminhar</source>
        <translation>Forward</translation>
    </message>
    <message>
        <source>Nova mensagem</source>
        <translation>New message</translation>
    </message>
    <message>
        <source>Para</source>
        <translation>To</translation>
    </message>
    <message>
        <source>Assunto</source>
        <translation>Subject</translation>
    </message>
    <message>
        <source>Adicionar Cc e Bcc</source>
        <translation>Add Cc and Bcc</translation>
    </message>
    <message>
        <source>De</source>
        <translation>From</translation>
    </message>
    <message>
        <source>Anexar</source>
        <translation>Attach</translation>
    </message>
    <message>
        <source>Descartar</source>
        <translation>Discard</translation>
    </message>
    <message>
        <source>Enviar</source>
        <translation>Send</translation>
    </message>
    <message>
        <source>A enviar</source>
        <translation>Sending</translation>
    </message>
    <message>
        <source>De %1</source>
        <translation>From %1</translation>
    </message>
</context>
<context>
    <name>vesk::DraftConflictBar</name>
    <message>
        <source>Manter esta versão</source>
        <translation>Keep this version</translation>
    </message>
    <message>
        <source>Usar a outra versão</source>
        <translation>Use the other version</translation>
    </message>
    <message>
        <source>Este rascunho foi alterado noutro lado (noutro dispositivo ou no Gmail) depois de o abrir aqui. Escolha a versão a manter.</source>
        <translation>This draft was changed elsewhere (on another device or in Gmail) after you opened it here. Choose the version to keep.</translation>
    </message>
</context>
<context>
    <name>vesk::ErrorText</name>
    <message>
        <source>Sem ligação ao Google. A sincronização continua quando a ligação voltar.</source>
        <translation>No connection to Google. Syncing resumes when the connection is back.</translation>
    </message>
    <message>
        <source>O Google limitou os pedidos desta conta por agora. A sincronização continua sozinha.</source>
        <translation>Google is limiting this account’s requests for now. Syncing will resume on its own.</translation>
    </message>
    <message>
        <source>Sem ligação ao Google. Verifica a ligação à Internet e tenta de novo.</source>
        <translation>No connection to Google. Check your internet connection and try again.</translation>
    </message>
    <message>
        <source>O Google limitou os pedidos desta conta por agora. Tenta de novo daqui a um minuto.</source>
        <translation>Google is limiting this account’s requests for now. Try again in a minute.</translation>
    </message>
</context>
<context>
    <name>vesk::GmailError</name>
    <message>
        <source>Falta a permissão do Gmail: não foi marcada na página da Google. É preciso ligar a conta de novo e marcar a permissão do Gmail.</source>
        <translation>The Gmail permission is missing: it was not ticked on Google’s page. Connect the account again and tick the Gmail permission.</translation>
    </message>
    <message>
        <source>A Google deixou de aceitar o acesso a esta conta (HTTP %1). É preciso ligá-la de novo.</source>
        <translation>Google no longer accepts access to this account (HTTP %1). It needs to be connected again.</translation>
    </message>
    <message>
        <source>O Gmail limitou os pedidos desta conta por agora (HTTP %1). Passa por si daqui a pouco.</source>
        <translation>Gmail is limiting this account’s requests for now (HTTP %1). This will clear on its own shortly.</translation>
    </message>
    <message>
        <source>O Gmail não encontrou o que foi pedido (HTTP %1): pode ter sido apagado entretanto.</source>
        <translation>Gmail did not find what was asked for (HTTP %1): it may have been deleted in the meantime.</translation>
    </message>
    <message>
        <source>HTTP %1: %2</source>
        <translation>HTTP %1: %2</translation>
    </message>
    <message>
        <source>HTTP %1</source>
        <translation>HTTP %1</translation>
    </message>
    <message>
        <source>Transporte: %1</source>
        <translation>Transport: %1</translation>
    </message>
    <message>
        <source>Descodificação: %1</source>
        <translation>Decoding: %1</translation>
    </message>
    <message>
        <source>Não autorizado: não há credenciais guardadas para esta conta. É preciso ligá-la de novo.</source>
        <translation>Not authorized: there are no stored credentials for this account. It needs to be connected again.</translation>
    </message>
    <message>
        <source>Histórico expirado</source>
        <translation>History expired</translation>
    </message>
</context>
<context>
    <name>vesk::LabelListModel</name>
    <message numerus="yes">
        <source>%n por enviar</source>
        <translation>
            <numerusform>%n to send</numerusform>
            <numerusform>%n to send</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n não lidas</source>
        <translation>
            <numerusform>%n unread</numerusform>
            <numerusform>%n unread</numerusform>
        </translation>
    </message>
    <message>
        <source>aberta</source>
        <translation>open</translation>
    </message>
</context>
<context>
    <name>vesk::LiveGmailAPI</name>
    <message>
        <source>endereço inválido</source>
        <translation>invalid address</translation>
    </message>
    <message>
        <source>resposta sem HTTP</source>
        <translation>response without an HTTP status</translation>
    </message>
    <message>
        <source>anexo sem dados</source>
        <translation>attachment without data</translation>
    </message>
</context>
<context>
    <name>vesk::LoopbackRedirect</name>
    <message>
        <source>A aguardar a ligação.</source>
        <translation>Waiting for the connection.</translation>
    </message>
    <message>
        <source>Ligação não concluída</source>
        <translation>Connection not completed</translation>
    </message>
    <message>
        <source>A Google devolveu um erro. Pode fechar esta janela e tentar outra vez no VESK.</source>
        <translation>Google returned an error. You can close this window and try again in VESK.</translation>
    </message>
    <message>
        <source>O estado da ligação não confere. Pode fechar esta janela e tentar outra vez no VESK.</source>
        <translation>The connection state does not match. You can close this window and try again in VESK.</translation>
    </message>
    <message>
        <source>Conta ligada ao VESK</source>
        <translation>Account connected to VESK</translation>
    </message>
    <message>
        <source>Pode fechar esta janela e voltar ao VESK.</source>
        <translation>You can close this window and go back to VESK.</translation>
    </message>
    <message>
        <source>Pode fechar esta janela e tentar outra vez no VESK.</source>
        <translation>You can close this window and try again in VESK.</translation>
    </message>
</context>
<context>
    <name>vesk::MailtoAddress</name>
    <message>
        <source>não é um endereço mailto: %1</source>
        <translation>not a mailto address: %1</translation>
    </message>
    <message>
        <source>demasiado longo, foi cortado: %1</source>
        <translation>too long, it was cut short: %1</translation>
    </message>
    <message>
        <source>sinais «%» mal escritos, ficaram como estão: %1</source>
        <translation>malformed “%” signs, left as they are: %1</translation>
    </message>
    <message>
        <source>texto em codificação desconhecida: %1</source>
        <translation>text in an unknown encoding: %1</translation>
    </message>
    <message>
        <source>quebras de linha ou caracteres de controlo retirados: %1</source>
        <translation>line breaks or control characters removed: %1</translation>
    </message>
    <message>
        <source>endereço inválido: %1</source>
        <translation>invalid address: %1</translation>
    </message>
    <message>
        <source>campo ignorado: %1</source>
        <translation>field ignored: %1</translation>
    </message>
    <message>
        <source>Do endereço mailto ficou de fora: %1.</source>
        <translation>Left out of the mailto address: %1.</translation>
    </message>
</context>
<context>
    <name>vesk::MainActions</name>
    <message>
        <source>Nova mensagem</source>
        <translation>New message</translation>
    </message>
    <message>
        <source>Atualizar</source>
        <translation>Refresh</translation>
    </message>
    <message>
        <source>Pesquisar no Gmail</source>
        <translation>Search Gmail</translation>
    </message>
    <message>
        <source>Desfazer</source>
        <translation>Undo</translation>
    </message>
    <message>
        <source>Gerir contas</source>
        <translation>Manage accounts</translation>
    </message>
    <message>
        <source>Definições…</source>
        <translation>Settings…</translation>
    </message>
    <message>
        <source>Buscar atualizações…</source>
        <translation>Check for updates…</translation>
    </message>
    <message>
        <source>Sair</source>
        <translation>Quit</translation>
    </message>
    <message>
        <source>Ficheiro</source>
        <translation>File</translation>
    </message>
    <message>
        <source>Conta</source>
        <translation>Account</translation>
    </message>
</context>
<context>
    <name>vesk::MainToolbar</name>
    <message>
        <source>Escrever</source>
        <translation>Compose</translation>
    </message>
    <message>
        <source>Transferências</source>
        <translation>Downloads</translation>
    </message>
    <message>
        <source>Barra de ferramentas</source>
        <translation>Toolbar</translation>
    </message>
</context>
<context>
    <name>vesk::MessageCard</name>
    <message>
        <source>Continuar a escrever</source>
        <translation>Continue writing</translation>
    </message>
    <message>
        <source>Mostrar imagens desta mensagem</source>
        <translation>Show images in this message</translation>
    </message>
    <message>
        <source>para %1</source>
        <translation>to %1</translation>
    </message>
    <message>
        <source>Mensagem de %1</source>
        <translation>Message from %1</translation>
    </message>
</context>
<context>
    <name>vesk::NoticeBar</name>
    <message>
        <source>Dispensar</source>
        <translation>Dismiss</translation>
    </message>
</context>
<context>
    <name>vesk::NotificationPayload</name>
    <message>
        <source>(sem assunto)</source>
        <translation>(no subject)</translation>
    </message>
    <message>
        <source>%1 mensagens novas em %2</source>
        <extracomment>The title of one notification for several new messages of an account.</extracomment>
        <translation>%1 new messages in %2</translation>
    </message>
    <message>
        <source>e mais %1</source>
        <translation>and %1 more</translation>
    </message>
</context>
<context>
    <name>vesk::OAuthError</name>
    <message>
        <source>A Google não aceitou o cliente OAuth (%1). É preciso verificar o Client Secret e o Client ID nas Definições.</source>
        <translation>Google did not accept the OAuth client (%1). Check the Client Secret and the Client ID in Settings.</translation>
    </message>
    <message>
        <source>A Google deixou de aceitar a autorização desta conta: expirou ou foi revogada. É preciso ligar a conta de novo.</source>
        <translation>Google no longer accepts this account’s authorization: it expired or was revoked. Connect the account again.</translation>
    </message>
    <message>
        <source>HTTP %1: %2</source>
        <translation>HTTP %1: %2</translation>
    </message>
    <message>
        <source>HTTP %1</source>
        <translation>HTTP %1</translation>
    </message>
    <message>
        <source>O acesso à conta foi recusado na página da Google, por isso a conta não foi ligada.</source>
        <translation>Access to the account was denied on Google’s page, so the account was not connected.</translation>
    </message>
    <message>
        <source>A Google não concluiu a ligação (%1).</source>
        <translation>Google did not complete the connection (%1).</translation>
    </message>
    <message>
        <source>Cliente OAuth não configurado</source>
        <translation>OAuth client not set up</translation>
    </message>
    <message>
        <source>Ligação cancelada</source>
        <translation>Connection canceled</translation>
    </message>
    <message>
        <source>Estado OAuth não confere</source>
        <translation>OAuth state does not match</translation>
    </message>
    <message>
        <source>A Google não devolveu código</source>
        <translation>Google returned no code</translation>
    </message>
    <message>
        <source>Não foi possível abrir o navegador.</source>
        <translation>Could not open the browser.</translation>
    </message>
</context>
<context>
    <name>vesk::OAuthService</name>
    <message>
        <source>resposta de token inválida</source>
        <translation>invalid token response</translation>
    </message>
    <message>
        <source>perfil sem endereço de e-mail</source>
        <translation>profile without an email address</translation>
    </message>
    <message>
        <source>resposta sem HTTP</source>
        <translation>response without an HTTP status</translation>
    </message>
</context>
<context>
    <name>vesk::OfflineLine</name>
    <message>
        <source>Sem ligação — as alterações são enviadas quando a ligação voltar.</source>
        <translation>Offline — changes are sent when the connection is back.</translation>
    </message>
    <message numerus="yes">
        <source>%n alterações à espera</source>
        <translation>
            <numerusform>%n change waiting</numerusform>
            <numerusform>%n changes waiting</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>vesk::PackageManagerUpdater</name>
    <message>
        <source>O VESK é atualizado pelo sistema</source>
        <translation>VESK is updated by the system</translation>
    </message>
    <message>
        <source>As novas versões do VESK chegam pelo gestor de pacotes do sistema, com as outras atualizações. Procura-as na ferramenta de atualizações da tua distribuição.</source>
        <translation>New versions of VESK arrive through the system’s package manager, with the other updates. Look for them in your distribution’s update tool.</translation>
    </message>
    <message>
        <source>Buscar atualizações</source>
        <translation>Check for updates</translation>
    </message>
</context>
<context>
    <name>vesk::PendingChange</name>
    <message>
        <source>mover para a lixeira</source>
        <translation>move to the trash</translation>
    </message>
    <message>
        <source>restaurar da lixeira</source>
        <translation>restore from the trash</translation>
    </message>
    <message>
        <source>marcar como não lida</source>
        <translation>mark as unread</translation>
    </message>
    <message>
        <source>marcar como lida</source>
        <translation>mark as read</translation>
    </message>
    <message>
        <source>marcar com estrela</source>
        <translation>star</translation>
    </message>
    <message>
        <source>retirar a estrela de</source>
        <translation>remove the star from</translation>
    </message>
    <message>
        <source>aplicar a etiqueta «%1» a</source>
        <translation>apply the label “%1” to</translation>
    </message>
    <message>
        <source>retirar a etiqueta «%1» de</source>
        <translation>remove the label “%1” from</translation>
    </message>
    <message>
        <source>arquivar</source>
        <translation>archive</translation>
    </message>
    <message>
        <source>mover para a caixa de entrada</source>
        <translation>move to the inbox</translation>
    </message>
    <message>
        <source>alterar</source>
        <translation>change</translation>
    </message>
</context>
<context>
    <name>vesk::QNetworkTransport</name>
    <message>
        <source>A ligação terminou antes do fim da resposta (%1 de %2 bytes)</source>
        <translation>The connection closed before the whole response arrived (%1 of %2 bytes)</translation>
    </message>
</context>
<context>
    <name>vesk::ReaderPane</name>
    <message>
        <source>Responder</source>
        <translation>Reply</translation>
    </message>
    <message>
        <source>Responder a todos</source>
        <translation>Reply all</translation>
    </message>
    <message>
        <source>Reencaminhar</source>
        <translation>Forward</translation>
    </message>
    <message>
        <source>Lixeira</source>
        <translation>Trash</translation>
    </message>
    <message>
        <source>Remover estrela</source>
        <translation>Remove star</translation>
    </message>
    <message>
        <source>Marcar com estrela</source>
        <translation>Star</translation>
    </message>
    <message>
        <source>Não é spam</source>
        <translation>Not spam</translation>
    </message>
    <message>
        <source>Marcar como spam</source>
        <translation>Mark as spam</translation>
    </message>
    <message>
        <source>Mover para a caixa de entrada</source>
        <translation>Move to inbox</translation>
    </message>
    <message>
        <source>A abrir a conversa…</source>
        <translation>Opening the conversation…</translation>
    </message>
    <message>
        <source>(sem assunto)</source>
        <translation>(no subject)</translation>
    </message>
    <message>
        <source>Ações da conversa</source>
        <translation>Conversation actions</translation>
    </message>
    <message>
        <source>Arquivar</source>
        <translation>Archive</translation>
    </message>
</context>
<context>
    <name>vesk::ReaderPlaceholder</name>
    <message>
        <source>Escolhe uma conversa para ler.</source>
        <translation>Choose a conversation to read.</translation>
    </message>
</context>
<context>
    <name>vesk::ReaderSelectionView</name>
    <message>
        <source>Arquivar</source>
        <translation>Archive</translation>
    </message>
    <message>
        <source>Mover para a caixa de entrada</source>
        <translation>Move to inbox</translation>
    </message>
    <message>
        <source>Mover para a lixeira</source>
        <translation>Move to trash</translation>
    </message>
    <message>
        <source>%1 conversas selecionadas</source>
        <translation>%1 conversations selected</translation>
    </message>
    <message>
        <source>Marcar como lida</source>
        <translation>Mark as read</translation>
    </message>
    <message>
        <source>Marcar como não lida</source>
        <translation>Mark as unread</translation>
    </message>
    <message>
        <source>Remover estrela</source>
        <translation>Remove star</translation>
    </message>
    <message>
        <source>Marcar com estrela</source>
        <translation>Star</translation>
    </message>
    <message>
        <source>Não é spam</source>
        <translation>Not spam</translation>
    </message>
    <message>
        <source>Marcar como spam</source>
        <translation>Mark as spam</translation>
    </message>
</context>
<context>
    <name>vesk::ReceivedAttachmentRow</name>
    <message>
        <source>Guardar</source>
        <translation>Save</translation>
    </message>
    <message>
        <source>A guardar</source>
        <translation>Saving</translation>
    </message>
    <message>
        <source>Anexo %1, %2</source>
        <translation>Attachment %1, %2</translation>
    </message>
</context>
<context>
    <name>vesk::SettingsWindow</name>
    <message>
        <source>Definições do VESK</source>
        <translation>VESK Settings</translation>
    </message>
    <message>
        <source>Sobre</source>
        <translation>About</translation>
    </message>
    <message>
        <source>Cliente OAuth da Google</source>
        <translation>Google OAuth client</translation>
    </message>
    <message>
        <source>Vêm da tua consola Google (projeto VESK, cliente Desktop app chamado VESK Linux). O Client Secret fica guardado no porta-chaves deste computador, só para o VESK. A senha das tuas contas nunca passa pelo VESK: o login faz-se nas páginas da Google, no navegador do sistema.</source>
        <translation>They come from your Google console (project VESK, a Desktop app client named VESK Linux). The Client Secret is kept in this computer’s keyring, for VESK only. Your accounts’ passwords never pass through VESK: you sign in on Google’s pages, in the system browser.</translation>
    </message>
    <message>
        <source>Guardar</source>
        <translation>Save</translation>
    </message>
    <message>
        <source>Guardado</source>
        <translation>Saved</translation>
    </message>
    <message>
        <source>Notificações</source>
        <translation>Notifications</translation>
    </message>
    <message>
        <source>As notificações são locais, geradas no teu computador a cada sincronização (cerca de um minuto com o app aberto), com o nome e o endereço da conta no título. Clicar numa notificação abre a conta e a conversa certas. O interruptor de cada conta está em Contas.</source>
        <translation>Notifications are local, created on your computer at every sync (about once a minute while the app is open), with the account’s name and address in the title. Clicking a notification opens the right account and conversation. Each account’s switch is in Accounts.</translation>
    </message>
    <message>
        <source>Pedir permissão de notificações</source>
        <translation>Ask for notification permission</translation>
    </message>
    <message>
        <source>Privacidade</source>
        <translation>Privacy</translation>
    </message>
    <message>
        <source>Os tokens das contas vivem no porta-chaves do sistema, um conjunto por conta. O correio fica em cache na pasta de suporte do VESK, neste computador. Sem servidor do VESK e sem análise de utilização: nada sai daqui exceto os pedidos à API do Gmail da Google, com os tokens da própria conta.</source>
        <translation>The accounts’ tokens live in the system keyring, one set per account. Mail is cached in VESK’s support folder, on this computer. No VESK server and no usage analytics: nothing leaves this computer except the requests to Google’s Gmail API, made with each account’s own tokens.</translation>
    </message>
    <message>
        <source>Nenhum</source>
        <translation>None</translation>
    </message>
    <message>
        <source>Espaço para ler sem ligação</source>
        <translation>Space for reading offline</translation>
    </message>
    <message>
        <source>As conversas abertas há menos tempo ficam guardadas neste computador, para as leres sem ligação; as mais antigas saem quando o espaço acaba. Os anexos só se abrem com ligação.</source>
        <translation>The conversations you opened most recently are kept on this computer so you can read them offline; the oldest ones go when the space runs out. Attachments open only when online.</translation>
    </message>
    <message>
        <source>Cliente configurado</source>
        <translation>Client set up</translation>
    </message>
    <message>
        <source>Cliente por configurar</source>
        <translation>Client not set up</translation>
    </message>
    <message>
        <source>Arranque</source>
        <translation>Startup</translation>
    </message>
    <message>
        <source>Iniciar com a sessão</source>
        <translation>Start with the session</translation>
    </message>
    <message>
        <source>Ao entrar na sessão, o VESK abre escondido na área de notificação, a sincronizar e a avisar de correio novo.</source>
        <translation>When you log in, VESK starts hidden in the notification area, syncing and telling you about new mail.</translation>
    </message>
    <message>
        <source>Não foi possível ativar o arranque com a sessão: %1</source>
        <translation>Could not turn on starting with the session: %1</translation>
    </message>
    <message>
        <source>Não foi possível desativar o arranque com a sessão: %1</source>
        <translation>Could not turn off starting with the session: %1</translation>
    </message>
</context>
<context>
    <name>vesk::SidebarPane</name>
    <message>
        <source>Contas</source>
        <translation>Accounts</translation>
    </message>
    <message>
        <source>Etiquetas</source>
        <translation>Labels</translation>
    </message>
    <message>
        <source>Gerir contas</source>
        <translation>Manage accounts</translation>
    </message>
    <message>
        <source>A sincronizar</source>
        <translation>Syncing</translation>
    </message>
    <message>
        <source>Ligar de novo</source>
        <translation>Reconnect</translation>
    </message>
</context>
<context>
    <name>vesk::SpellingMenu</name>
    <message>
        <source>&amp;Desfazer</source>
        <translation>&amp;Undo</translation>
    </message>
    <message>
        <source>&amp;Refazer</source>
        <translation>&amp;Redo</translation>
    </message>
    <message>
        <source>Cor&amp;tar</source>
        <translation>Cu&amp;t</translation>
    </message>
    <message>
        <source>&amp;Copiar</source>
        <translation>&amp;Copy</translation>
    </message>
    <message>
        <source>Co&amp;lar</source>
        <translation>&amp;Paste</translation>
    </message>
    <message>
        <source>&amp;Eliminar</source>
        <translation>&amp;Delete</translation>
    </message>
    <message>
        <source>Selecionar &amp;tudo</source>
        <translation>Select &amp;All</translation>
    </message>
    <message>
        <source>Sem sugestões</source>
        <translation>No suggestions</translation>
    </message>
    <message>
        <source>Adicionar ao dicionário</source>
        <translation>Add to dictionary</translation>
    </message>
    <message>
        <source>Idioma da ortografia</source>
        <translation>Spelling language</translation>
    </message>
    <message>
        <source>Nenhum dicionário instalado</source>
        <translation>No dictionary installed</translation>
    </message>
</context>
<context>
    <name>vesk::SpokenText</name>
    <message>
        <source>d &apos;de&apos; MMMM</source>
        <translation>MMMM d</translation>
    </message>
    <message>
        <source>d &apos;de&apos; MMMM &apos;de&apos; yyyy</source>
        <translation>MMMM d, yyyy</translation>
    </message>
</context>
<context>
    <name>vesk::StatusNotice</name>
    <message>
        <source>Tentar de novo</source>
        <translation>Try again</translation>
    </message>
</context>
<context>
    <name>vesk::SystemNotificationPoster</name>
    <message>
        <source>Abrir</source>
        <translation>Open</translation>
    </message>
    <message>
        <source>Arquivar</source>
        <translation>Archive</translation>
    </message>
    <message>
        <source>Marcar como lidas</source>
        <translation>Mark as read</translation>
    </message>
    <message>
        <source>Marcar como lida</source>
        <translation>Mark as read</translation>
    </message>
</context>
<context>
    <name>vesk::ThreadActionsMenu</name>
    <message>
        <source>Marcar como lida</source>
        <translation>Mark as read</translation>
    </message>
    <message>
        <source>Marcar como não lida</source>
        <translation>Mark as unread</translation>
    </message>
    <message>
        <source>Arquivar</source>
        <translation>Archive</translation>
    </message>
    <message>
        <source>Remover estrela</source>
        <translation>Remove star</translation>
    </message>
    <message>
        <source>Marcar com estrela</source>
        <translation>Star</translation>
    </message>
    <message>
        <source>Não é spam</source>
        <translation>Not spam</translation>
    </message>
    <message>
        <source>Marcar como spam</source>
        <translation>Mark as spam</translation>
    </message>
    <message>
        <source>Mover para a caixa de entrada</source>
        <translation>Move to inbox</translation>
    </message>
    <message>
        <source>Mover para a lixeira</source>
        <translation>Move to trash</translation>
    </message>
    <message>
        <source>Etiquetas</source>
        <translation>Labels</translation>
    </message>
    <message>
        <source>Conversas de contas diferentes</source>
        <translation>Conversations from different accounts</translation>
    </message>
    <message>
        <source>Sem etiquetas tuas</source>
        <translation>No labels of your own</translation>
    </message>
</context>
<context>
    <name>vesk::ThreadListModel</name>
    <message>
        <source>sem assunto</source>
        <translation>no subject</translation>
    </message>
    <message>
        <source>não lida</source>
        <translation>unread</translation>
    </message>
    <message>
        <source>com estrela</source>
        <translation>starred</translation>
    </message>
    <message numerus="yes">
        <source>%n mensagens</source>
        <translation>
            <numerusform>%n message</numerusform>
            <numerusform>%n messages</numerusform>
        </translation>
    </message>
    <message>
        <source>conta %1</source>
        <translation>account %1</translation>
    </message>
</context>
<context>
    <name>vesk::ThreadListPane</name>
    <message>
        <source>Pesquisar no Gmail</source>
        <translation>Search Gmail</translation>
    </message>
    <message>
        <source>Limpar</source>
        <translation>Clear</translation>
    </message>
    <message>
        <source>Sem conversas aqui.</source>
        <translation>No conversations here.</translation>
    </message>
    <message>
        <source>A pesquisar…</source>
        <translation>Searching…</translation>
    </message>
    <message>
        <source>Sem resultados.</source>
        <translation>No results.</translation>
    </message>
    <message>
        <source>A carregar mais conversas…</source>
        <translation>Loading more conversations…</translation>
    </message>
    <message>
        <source>Não há mais conversas.</source>
        <translation>No more conversations.</translation>
    </message>
    <message>
        <source>Pesquisa</source>
        <translation>Search</translation>
    </message>
    <message>
        <source>Conversas</source>
        <translation>Conversations</translation>
    </message>
</context>
<context>
    <name>vesk::ThreadRowDelegate</name>
    <message numerus="yes">
        <source>%n mensagens</source>
        <translation>
            <numerusform>%n message</numerusform>
            <numerusform>%n messages</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>vesk::ThreadSummary</name>
    <message>
        <source>(sem assunto)</source>
        <translation>(no subject)</translation>
    </message>
</context>
<context>
    <name>vesk::TransferCard</name>
    <message>
        <source>A transferir</source>
        <translation>Downloading</translation>
    </message>
    <message>
        <source>Mostrar na pasta</source>
        <translation>Show in folder</translation>
    </message>
    <message>
        <source>A transferir, %1 %</source>
        <translation>Downloading, %1 %</translation>
    </message>
    <message>
        <source>Concluída</source>
        <translation>Done</translation>
    </message>
    <message>
        <source>Progresso de %1</source>
        <translation>Progress of %1</translation>
    </message>
</context>
<context>
    <name>vesk::TransferManager</name>
    <message>
        <source>Erro desconhecido</source>
        <translation>Unknown error</translation>
    </message>
    <message>
        <source>Guardar anexo de %1</source>
        <translation>Save attachment from %1</translation>
    </message>
</context>
<context>
    <name>vesk::TransfersPanel</name>
    <message>
        <source>Limpar concluídas</source>
        <translation>Clear finished</translation>
    </message>
    <message>
        <source>Sem transferências. Os anexos que guardares aparecem aqui com o progresso.</source>
        <translation>No downloads. Attachments you save appear here with their progress.</translation>
    </message>
    <message>
        <source>Transferências</source>
        <translation>Downloads</translation>
    </message>
</context>
<context>
    <name>vesk::TrayBadge</name>
    <message>
        <source>Sem mensagens por ler</source>
        <translation>No unread messages</translation>
    </message>
    <message>
        <source>1 mensagem por ler</source>
        <translation>1 unread message</translation>
    </message>
    <message>
        <source>%1 mensagens por ler</source>
        <translation>%1 unread messages</translation>
    </message>
</context>
<context>
    <name>vesk::TrayIcon</name>
    <message>
        <source>Abrir VESK</source>
        <translation>Open VESK</translation>
    </message>
    <message>
        <source>Escrever</source>
        <translation>Compose</translation>
    </message>
    <message>
        <source>Atualizar</source>
        <translation>Refresh</translation>
    </message>
    <message>
        <source>Sair</source>
        <translation>Quit</translation>
    </message>
</context>
<context>
    <name>vesk::TrayPresence</name>
    <message>
        <source>O VESK continua aberto</source>
        <translation>VESK is still running</translation>
    </message>
    <message>
        <source>Fechar a janela não fecha o VESK: continua a sincronizar e a avisar de correio novo. Abre-o de novo pelo ícone na área de notificação; para sair, escolhe Sair no menu desse ícone.</source>
        <translation>Closing the window does not quit VESK: it keeps syncing and telling you about new mail. Open it again from its icon in the notification area; to quit, choose Quit in that icon's menu.</translation>
    </message>
</context>
<context>
    <name>vesk::UndoBar</name>
    <message>
        <source>Desfazer</source>
        <translation>Undo</translation>
    </message>
</context>
<context>
    <name>vesk::UndoOffer</name>
    <message>
        <source>Movida para a lixeira.</source>
        <translation>Moved to the trash.</translation>
    </message>
    <message>
        <source>%1 conversas movidas para a lixeira.</source>
        <translation>%1 conversations moved to the trash.</translation>
    </message>
    <message>
        <source>Marcada como spam.</source>
        <translation>Marked as spam.</translation>
    </message>
    <message>
        <source>%1 conversas marcadas como spam.</source>
        <translation>%1 conversations marked as spam.</translation>
    </message>
    <message>
        <source>Movida para a caixa de entrada.</source>
        <translation>Moved to the inbox.</translation>
    </message>
    <message>
        <source>%1 conversas movidas para a caixa de entrada.</source>
        <translation>%1 conversations moved to the inbox.</translation>
    </message>
    <message>
        <source>Arquivada.</source>
        <translation>Archived.</translation>
    </message>
    <message>
        <source>%1 conversas arquivadas.</source>
        <translation>%1 conversations archived.</translation>
    </message>
    <message>
        <source>Marcada como lida.</source>
        <translation>Marked as read.</translation>
    </message>
    <message>
        <source>%1 conversas marcadas como lidas.</source>
        <translation>%1 conversations marked as read.</translation>
    </message>
    <message>
        <source>Marcada como não lida.</source>
        <translation>Marked as unread.</translation>
    </message>
    <message>
        <source>%1 conversas marcadas como não lidas.</source>
        <translation>%1 conversations marked as unread.</translation>
    </message>
    <message>
        <source>Marcada com estrela.</source>
        <translation>Starred.</translation>
    </message>
    <message>
        <source>%1 conversas marcadas com estrela.</source>
        <translation>%1 conversations starred.</translation>
    </message>
    <message>
        <source>Estrela removida.</source>
        <translation>Star removed.</translation>
    </message>
    <message>
        <source>Estrela removida de %1 conversas.</source>
        <translation>Star removed from %1 conversations.</translation>
    </message>
    <message>
        <source>Etiqueta «%1» aplicada.</source>
        <translation>Label “%1” applied.</translation>
    </message>
    <message>
        <source>Etiqueta «%1» removida.</source>
        <translation>Label “%1” removed.</translation>
    </message>
    <message>
        <source>Etiqueta «%1» aplicada a %2 conversas.</source>
        <translation>Label “%1” applied to %2 conversations.</translation>
    </message>
    <message>
        <source>Etiqueta «%1» removida de %2 conversas.</source>
        <translation>Label “%1” removed from %2 conversations.</translation>
    </message>
</context>
<context>
    <name>vesk::WelcomeView</name>
    <message>
        <source>O teu Gmail, nativo no Linux. Várias contas, notificações por conta e anexos sem truques.</source>
        <translation>Your Gmail, native on Linux. Multiple accounts, per-account notifications and no-fuss attachments.</translation>
    </message>
    <message>
        <source>Falta um passo teu, uma só vez</source>
        <translation>One step to go, just once</translation>
    </message>
    <message>
        <source>O VESK liga às tuas contas com um cliente OAuth criado na tua consola Google. Abre as Definições e cola o Client ID e o Client Secret; a app explica o resto. A senha nunca passa pelo VESK.</source>
        <translation>VESK connects to your accounts with an OAuth client created in your Google console. Open Settings and paste the Client ID and the Client Secret; the app explains the rest. Your password never passes through VESK.</translation>
    </message>
    <message>
        <source>Ligar a primeira conta</source>
        <translation>Connect your first account</translation>
    </message>
    <message>
        <source>Abrir Definições</source>
        <translation>Open Settings</translation>
    </message>
</context>
</TS>
